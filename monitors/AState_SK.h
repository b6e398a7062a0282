// Skeleton of the breaker state object: the breaker's contacts and protections in,
// its state code out.
#pragma once

#include "ProcessSkeleton.h"

#define ASTATE_SK_LIST(ITEM, FIXED, MSG, SETTING)                                                                 \
    ITEM(state_as, out, AI, mandatory, 0)                                                                          \
    ITEM(on_s, in, DI, mandatory, 0)                                                                               \
    ITEM(off_s, in, DI, optional, 0)                                                                               \
    ITEM(protection_s, in, DI, mandatory, 0)                                                                       \
    ITEM(protection2_s, in, DI, optional, 0)                                                                       \
    ITEM(rom_protection_s, in, DI, optional, 0)

class AState_SK : public ravna::ProcessSkeleton<UniSetObject>
{
    RAVNA_SKELETON_CLASS(AState_SK, ASTATE_SK_LIST)
};
