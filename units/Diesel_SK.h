// Skeleton of the diesel unit monitor: the diesel's state code.
#pragma once

#include "ProcessSkeleton.h"

#define DIESEL_SK_LIST(ITEM, FIXED, MSG, SETTING) ITEM(state_as, in, AI, mandatory, 0)

class Diesel_SK : public ravna::ProcessSkeleton<UniSetObject>
{
    RAVNA_SKELETON_CLASS(Diesel_SK, DIESEL_SK_LIST)
};
