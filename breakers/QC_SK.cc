#include "QC_SK.h"

namespace
{
    const ravna::SkeletonTraits traits{"QC", 150, 20};
}

QC_SK::QC_SK(UniSetTypes::ObjectId id, xmlNode* cnode) : ProcessSkeleton(id, cnode, traits)
{
    init(skeletonLayout());
}

QC_SK::QC_SK() : ProcessSkeleton(traits) {}

QC_SK::~QC_SK() = default;
