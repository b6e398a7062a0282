// Who asked a store for which sensor, and the message a consumer receives: what
// both stores build their notifications on.
#pragma once

#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "MessageType.h"
#include "UniSetTypes.h"

class UniSetObject;

namespace uniset
{
    // Who asked for which sensor. Delivery runs under the registry's lock, so a
    // consumer that forgets itself is never pushed to afterwards.
    class Subscribers
    {
    public:
        void add(UniSetTypes::ObjectId id, UniSetObject* consumer);
        void remove(UniSetTypes::ObjectId id, UniSetObject* consumer);
        void removeAll(UniSetObject* consumer);
        bool has(UniSetTypes::ObjectId id) const;
        // Pushes msg to every consumer of msg.id (only to `only`, when given).
        void deliver(const UniSetTypes::SensorMessage& msg, UniSetObject* only = nullptr) const;

    private:
        mutable std::mutex mtx;
        std::unordered_map<UniSetTypes::ObjectId, std::vector<UniSetObject*>> byId;
    };

    // Builds the message a consumer receives for a sensor's value.
    UniSetTypes::SensorMessage makeSensorMessage(UniSetTypes::ObjectId id, long value, UniversalIO::IOTypes type,
                                                 UniSetTypes::ObjectId supplier, uint64_t sequence);
}
