#include "Store.h"

#include <algorithm>
#include <memory>
#include <set>

#include "Clock.h"
#include "Configuration.h"
#include "Exceptions.h"
#include "InProcessStore.h"
#include "UniSetObject.h"

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
        std::unique_ptr<Store> fallback;
        const UniSetTypes::Configuration* fallbackConf = nullptr;
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
        if (installed)
            return *installed;
        if (!UniSetTypes::conf)
            throw UniSetTypes::SystemError("(store): no configuration: call uniset_init first");
        if (!fallback || fallbackConf != UniSetTypes::conf)
        {
            fallback.reset();
            fallback = std::make_unique<InProcessStore>(*UniSetTypes::conf);
            fallbackConf = UniSetTypes::conf;
        }
        return *fallback;
    }

    void setStore(Store* s) { installed = s; }

    void Subscribers::add(UniSetTypes::ObjectId id, UniSetObject* consumer)
    {
        std::lock_guard<std::mutex> lk(mtx);
        auto& list = byId[id];
        if (std::find(list.begin(), list.end(), consumer) == list.end())
            list.push_back(consumer);
    }

    void Subscribers::remove(UniSetTypes::ObjectId id, UniSetObject* consumer)
    {
        std::lock_guard<std::mutex> lk(mtx);
        auto it = byId.find(id);
        if (it == byId.end())
            return;
        std::erase(it->second, consumer);
    }

    void Subscribers::removeAll(UniSetObject* consumer)
    {
        std::lock_guard<std::mutex> lk(mtx);
        for (auto& [id, list] : byId)
            std::erase(list, consumer);
    }

    bool Subscribers::has(UniSetTypes::ObjectId id) const
    {
        std::lock_guard<std::mutex> lk(mtx);
        auto it = byId.find(id);
        return it != byId.end() && !it->second.empty();
    }

    void Subscribers::deliver(const UniSetTypes::SensorMessage& msg, UniSetObject* only) const
    {
        std::lock_guard<std::mutex> lk(mtx);
        auto it = byId.find(msg.id);
        if (it == byId.end())
            return;
        const auto tm = msg.transport();
        for (UniSetObject* c : it->second)
            if (!only || c == only)
                c->push(tm);
    }

    void Subscribers::deliverTo(const UniSetTypes::SensorMessage& msg, UniSetObject* consumer) const
    {
        deliver(msg, consumer);
    }

    UniSetTypes::SensorMessage makeSensorMessage(UniSetTypes::ObjectId id, long value, UniversalIO::IOTypes type,
                                                 UniSetTypes::ObjectId supplier, uint64_t sequence)
    {
        UniSetTypes::SensorMessage sm(id, value, type, supplier);
        sm.sequence = sequence;
        return sm;
    }
}
