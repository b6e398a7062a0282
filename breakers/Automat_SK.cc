#include "Automat_SK.h"

namespace
{
    const ravna::SkeletonTraits traits{"Automat", 150, 20};
}

Automat_SK::Automat_SK(UniSetTypes::ObjectId id, xmlNode* cnode) : ProcessSkeleton(id, cnode, traits)
{
    init(skeletonLayout());
}

Automat_SK::Automat_SK() : ProcessSkeleton(traits) {}

Automat_SK::~Automat_SK() = default;
