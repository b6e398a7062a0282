// A store inside one process: for tests and for programs run without shared memory.
#pragma once

#include <mutex>
#include <unordered_map>
#include <vector>

#include "Configuration.h"
#include "Store.h"
#include "Subscribers.h"

namespace uniset
{
    class InProcessStore final : public Store
    {
    public:
        // Holds every sensor of the list with its default value; ready at once.
        explicit InProcessStore(const std::vector<UniSetTypes::SensorDescription>& sensors);
        explicit InProcessStore(const UniSetTypes::Configuration& cfg) : InProcessStore(cfg.getSensors()) {}

        std::string name() const override { return "in-process"; }
        bool isReady() const override { return ready; }
        void setReady(bool r) { ready = r; }
        long getValue(UniSetTypes::ObjectId id) const override;
        UniversalIO::IOTypes getIOType(UniSetTypes::ObjectId id) const override;
        void setValue(UniSetTypes::ObjectId id, long value, UniSetTypes::ObjectId supplier) override;
        void ask(UniSetTypes::ObjectId id, UniversalIO::UIOCommand cmd, UniSetObject* consumer) override;
        void forget(UniSetObject* consumer) override;

        // Every write, changed or not, in order: what tests assert on.
        struct Write
        {
            UniSetTypes::ObjectId id;
            long value;
            UniSetTypes::ObjectId supplier;
        };
        std::vector<Write> writes() const;
        void clearWrites();

    private:
        struct Slot
        {
            UniversalIO::IOTypes type;
            long value;
        };
        const Slot& slot(UniSetTypes::ObjectId id) const;

        mutable std::mutex mtx;
        std::unordered_map<UniSetTypes::ObjectId, Slot> slots;
        std::vector<Write> log;
        uint64_t sequence = 0;
        bool ready = true;
        Subscribers subscribers;
        StoreListing listing{this};   // last: see StoreListing
    };
}
