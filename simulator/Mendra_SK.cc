#include "Mendra_SK.h"

namespace
{
    const ravna::SkeletonTraits traits{"Mendra", 130, 5};
}

Mendra_SK::Mendra_SK(UniSetTypes::ObjectId id, xmlNode* cnode) : ProcessSkeleton(id, cnode, traits)
{
    init(skeletonLayout());
}

Mendra_SK::Mendra_SK() : ProcessSkeleton(traits) {}

Mendra_SK::~Mendra_SK() = default;
