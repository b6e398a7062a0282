#include "Directory.h"

#include <atomic>

namespace uniset
{
    namespace
    {
        std::atomic<const Directory* (*)()> lookupInUse{nullptr};
    }

    const Directory* directory()
    {
        const auto lookup = lookupInUse.load();
        return lookup ? lookup() : nullptr;
    }

    void setDirectoryLookup(const Directory* (*lookup)()) { lookupInUse = lookup; }
}
