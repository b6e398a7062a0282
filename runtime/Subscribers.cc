#include "Subscribers.h"

#include <algorithm>

#include "UniSetObject.h"

namespace uniset
{
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

    UniSetTypes::SensorMessage makeSensorMessage(UniSetTypes::ObjectId id, long value, UniversalIO::IOTypes type,
                                                 UniSetTypes::ObjectId supplier, uint64_t sequence)
    {
        UniSetTypes::SensorMessage sm(id, value, type, supplier);
        sm.sequence = sequence;
        return sm;
    }
}
