#include "Store.h"

#include <mutex>
#include <set>

#include "Exceptions.h"

namespace uniset
{
    namespace
    {
        std::mutex storesMutex;
        std::set<Store*>& allStores()
        {
            static std::set<Store*> s;
            return s;
        }

        Store* installed = nullptr;
    }

    StoreListing::StoreListing(Store* s) : listed(s)
    {
        std::lock_guard<std::mutex> lk(storesMutex);
        allStores().insert(listed);
    }

    StoreListing::~StoreListing()
    {
        std::lock_guard<std::mutex> lk(storesMutex);
        allStores().erase(listed);
    }

    void Store::forgetEverywhere(UniSetObject* consumer)
    {
        std::lock_guard<std::mutex> lk(storesMutex);
        for (Store* s : allStores())
            s->forget(consumer);
    }

    Store& store()
    {
        if (!installed)
            throw UniSetTypes::StoreError("(store): no store is installed: a program's start-up (uniset_init) "
                                          "or a test installs one");
        return *installed;
    }

    void setStore(Store* s) { installed = s; }
}
