// Skeleton of the generator breaker's monitor: the breaker's state code and its closed signal.
#pragma once

#include "ProcessSkeleton.h"

#define QG_SK_LIST(ITEM, FIXED, MSG, SETTING)                                                                     \
    ITEM(state_as, in, AI, mandatory, 0)                                                                           \
    ITEM(on_s, in, DI, mandatory, 0)

class QG_SK : public ravna::ProcessSkeleton<UniSetObject>
{
    RAVNA_SKELETON_CLASS(QG_SK, QG_SK_LIST)
};
