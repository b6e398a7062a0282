#include "Diesel_SK.h"

namespace
{
    const ravna::SkeletonTraits traits{"Diesel", 150, 20};
}

Diesel_SK::Diesel_SK(UniSetTypes::ObjectId id, xmlNode* cnode) : ProcessSkeleton(id, cnode, traits)
{
    init(skeletonLayout());
}

Diesel_SK::Diesel_SK() : ProcessSkeleton(traits) {}

Diesel_SK::~Diesel_SK() = default;
