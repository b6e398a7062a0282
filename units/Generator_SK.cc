#include "Generator_SK.h"

namespace
{
    const ravna::SkeletonTraits traits{"Generator", 200, 20};
}

Generator_SK::Generator_SK(UniSetTypes::ObjectId id, xmlNode* cnode) : ProcessSkeleton(id, cnode, traits)
{
    init(skeletonLayout());
}

Generator_SK::Generator_SK() : ProcessSkeleton(traits) {}

Generator_SK::~Generator_SK() = default;
