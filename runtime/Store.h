// Where sensor values live. Every process object reads, writes and asks for
// sensors through a Store; the runtime has an in-process one, and the
// shared-memory one lets separate programs meet.
#pragma once

#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "MessageType.h"
#include "UniSetTypes.h"

class UniSetObject;

namespace uniset
{
    class Store
    {
    public:
        Store() = default;
        virtual ~Store() = default;
        Store(const Store&) = delete;
        Store& operator=(const Store&) = delete;

        virtual std::string name() const = 0;
        // Ready once its owner has laid it out and marked it so.
        virtual bool isReady() const = 0;
        // Every read, write and ask throws UniSetTypes::Exception naming an id the store does not hold.
        virtual long getValue(UniSetTypes::ObjectId id) const = 0;
        virtual UniversalIO::IOTypes getIOType(UniSetTypes::ObjectId id) const = 0;
        // Stores the value (0 or 1 for a digital sensor). A change queues one sensor
        // message to every object that asked, in the order of the writes; an unchanged
        // value notifies nobody.
        virtual void setValue(UniSetTypes::ObjectId id, long value, UniSetTypes::ObjectId supplier) = 0;
        // UIONotify queues one message with the current value at once and every change
        // after it; UIODontNotify cancels.
        virtual void ask(UniSetTypes::ObjectId id, UniversalIO::UIOCommand cmd, UniSetObject* consumer) = 0;
        // Drops every request of consumer, waiting for a delivery to it in flight.
        virtual void forget(UniSetObject* consumer) = 0;

        // Drops consumer from every listed store (StoreListing).
        static void forgetEverywhere(UniSetObject* consumer);
    };

    // Lists a store among those forgetEverywhere reaches, for the life of this member.
    // A store declares it as its last member: it is listed once everything its forget
    // uses is built, and withdrawn (waiting for a forgetEverywhere in flight) before
    // any of that is destroyed.
    class StoreListing
    {
    public:
        explicit StoreListing(Store* s);
        ~StoreListing();
        StoreListing(const StoreListing&) = delete;
        StoreListing& operator=(const StoreListing&) = delete;

    private:
        Store* listed;
    };

    // The store the program's objects use; an in-process one over conf's sensor
    // list until a program installs another.
    Store& store();
    // Installs a store (not owned; nullptr goes back to the default). Not thread-safe:
    // call before objects run.
    void setStore(Store* s);

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
        // Pushes msg to one consumer if it still asks for msg.id.
        void deliverTo(const UniSetTypes::SensorMessage& msg, UniSetObject* consumer) const;
        // Calls f(id) for every id that has a consumer.
        template <typename F>
        void forEachId(F f) const
        {
            std::lock_guard<std::mutex> lk(mtx);
            for (const auto& [id, list] : byId)
                if (!list.empty())
                    f(id);
        }

    private:
        mutable std::mutex mtx;
        std::unordered_map<UniSetTypes::ObjectId, std::vector<UniSetObject*>> byId;
    };

    // Builds the message a consumer receives for a sensor's value.
    UniSetTypes::SensorMessage makeSensorMessage(UniSetTypes::ObjectId id, long value, UniversalIO::IOTypes type,
                                                 UniSetTypes::ObjectId supplier, uint64_t sequence);
}
