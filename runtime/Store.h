// Where sensor values live, as the objects see it. Every process object reads,
// writes and asks for sensors through a Store; the stores themselves (the
// in-process one, and the shared-memory one that lets separate programs meet)
// stand above the core and are installed by the program's start-up or a test.
#pragma once

#include <string>

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

    // The store the program's objects use: the one installed by the program's start-up
    // (uniset_init) or a test. Throws UniSetTypes::StoreError when none is.
    Store& store();
    // Installs a store (not owned; nullptr uninstalls). Not thread-safe: call before
    // objects run.
    void setStore(Store* s);
}
