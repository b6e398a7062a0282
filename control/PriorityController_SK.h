// Skeleton of the priority lists' object: no items of its own; the selectors and
// the priority sensors come from its <prioritylist> node.
#pragma once

#include "ProcessSkeleton.h"

#define PRIORITYCONTROLLER_SK_LIST(ITEM, FIXED, MSG, SETTING)

class PriorityController_SK : public ravna::ProcessSkeleton<UniSetObject>
{
    RAVNA_SKELETON_CLASS(PriorityController_SK, PRIORITYCONTROLLER_SK_LIST)
};
