#include "Switchboard_SK.h"

namespace
{
    const ravna::SkeletonTraits traits{"Switchboard", 130, 5};
}

Switchboard_SK::Switchboard_SK(UniSetTypes::ObjectId id, xmlNode* cnode) : ProcessSkeleton(id, cnode, traits)
{
    init(skeletonLayout());
}

Switchboard_SK::Switchboard_SK() : ProcessSkeleton(traits) {}

Switchboard_SK::~Switchboard_SK() = default;
