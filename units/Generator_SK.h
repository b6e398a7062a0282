// Skeleton of the generator unit monitor: the generator's state code.
#pragma once

#include "ProcessSkeleton.h"

#define GENERATOR_SK_LIST(ITEM, FIXED, MSG, SETTING) ITEM(state_as, in, AI, mandatory, 0)

class Generator_SK : public ravna::ProcessSkeleton<UniSetObject>
{
    RAVNA_SKELETON_CLASS(Generator_SK, GENERATOR_SK_LIST)
};
