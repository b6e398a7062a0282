// Skeleton of the auxiliary set's state object: whether its diesel runs and its
// generator works in; the set's working flag, generator flag and state code out.
#pragma once

#include "ProcessSkeleton.h"

#define VDGSTATE_SK_LIST(ITEM, FIXED, MSG, SETTING)                                                               \
    ITEM(Diesel_Working_s, in, DI, mandatory, 0)                                                                   \
    ITEM(Generator_Working_s, in, DI, mandatory, 0)                                                                \
    ITEM(DG_Working_s, out, DI, mandatory, 0)                                                                      \
    ITEM(State_as, out, AI, mandatory, 0)                                                                          \
    ITEM(Generator_as, out, AI, mandatory, 0)

class VDGState_SK : public ravna::ProcessSkeleton<UniSetObject>
{
    RAVNA_SKELETON_CLASS(VDGState_SK, VDGSTATE_SK_LIST)
};
