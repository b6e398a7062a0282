// Skeleton of the switchboard's no-power watcher: no items of its own, every
// sensor comes from the watcher's node and is handled by Switchboard itself.
#pragma once

#include "ProcessSkeleton.h"

#define SWITCHBOARD_SK_LIST(ITEM, FIXED, MSG, SETTING)

class Switchboard_SK : public ravna::ProcessSkeleton<UniSetObject>
{
    RAVNA_SKELETON_CLASS(Switchboard_SK, SWITCHBOARD_SK_LIST)
};
