#include "VDGState_SK.h"

namespace
{
    const ravna::SkeletonTraits traits{"VDGState", 500, 20};
}

VDGState_SK::VDGState_SK(UniSetTypes::ObjectId id, xmlNode* cnode) : ProcessSkeleton(id, cnode, traits)
{
    init(skeletonLayout());
}

VDGState_SK::VDGState_SK() : ProcessSkeleton(traits) {}

VDGState_SK::~VDGState_SK() = default;
