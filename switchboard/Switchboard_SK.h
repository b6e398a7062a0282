// Skeleton of the switchboard's no-power watcher: no items of its own, every
// sensor comes from the watcher's node and is handled by Switchboard itself.
#pragma once

#include "ProcessSkeleton.h"

#define SWITCHBOARD_SK_LIST(ITEM, FIXED, MSG, SETTING)

class Switchboard_SK : public ravna::ProcessSkeleton<UniSetObject>
{
public:
    Switchboard_SK(UniSetTypes::ObjectId id, xmlNode* cnode);
    Switchboard_SK();
    ~Switchboard_SK() override;

    RAVNA_SKELETON(SWITCHBOARD_SK_LIST)
};
