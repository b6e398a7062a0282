#include "ObjectRegistry.h"

#include <mutex>
#include <unordered_map>

namespace uniset
{
    namespace
    {
        std::mutex registryMutex;
        std::unordered_map<UniSetTypes::ObjectId, UniSetObject*>& registry()
        {
            static std::unordered_map<UniSetTypes::ObjectId, UniSetObject*> r;
            return r;
        }
    }

    UniSetObject* findObject(UniSetTypes::ObjectId id)
    {
        std::lock_guard<std::mutex> lk(registryMutex);
        auto it = registry().find(id);
        return it == registry().end() ? nullptr : it->second;
    }

    void registerObject(UniSetTypes::ObjectId id, UniSetObject* obj)
    {
        std::lock_guard<std::mutex> lk(registryMutex);
        registry()[id] = obj;
    }

    void unregisterObject(UniSetTypes::ObjectId id, UniSetObject* obj)
    {
        std::lock_guard<std::mutex> lk(registryMutex);
        auto it = registry().find(id);
        if (it != registry().end() && it->second == obj)
            registry().erase(it);
    }
}
