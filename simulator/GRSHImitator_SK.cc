#include "GRSHImitator_SK.h"

namespace
{
    const ravna::SkeletonTraits traits{"GRSHImitator", 130, 5};
}

GRSHImitator_SK::GRSHImitator_SK(UniSetTypes::ObjectId id, xmlNode* cnode) : ProcessSkeleton(id, cnode, traits)
{
    init(skeletonLayout());
}

GRSHImitator_SK::GRSHImitator_SK() : ProcessSkeleton(traits) {}

GRSHImitator_SK::~GRSHImitator_SK() = default;
