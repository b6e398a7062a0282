#include "AState_SK.h"

namespace
{
    const ravna::SkeletonTraits traits{"AState", 150, 20};
}

AState_SK::AState_SK(UniSetTypes::ObjectId id, xmlNode* cnode) : ProcessSkeleton(id, cnode, traits)
{
    init(skeletonLayout());
}

AState_SK::AState_SK() : ProcessSkeleton(traits) {}

AState_SK::~AState_SK() = default;
