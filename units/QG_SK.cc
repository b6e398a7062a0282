#include "QG_SK.h"

namespace
{
    const ravna::SkeletonTraits traits{"QG", 150, 20};
}

QG_SK::QG_SK(UniSetTypes::ObjectId id, xmlNode* cnode) : ProcessSkeleton(id, cnode, traits)
{
    init(skeletonLayout());
}

QG_SK::QG_SK() : ProcessSkeleton(traits) {}

QG_SK::~QG_SK() = default;
