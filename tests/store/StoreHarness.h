// A store to test against: the in-process one, or the shared-memory one on a
// segment of its own (laid out and marked ready as smemory would, removed afterwards).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Configuration.h"
#include "Store.h"
#include "UniSetObject.h"

namespace store_testing
{
    // A segment name no other test run uses.
    std::string uniqueStoreName();

    class StoreHarness
    {
    public:
        virtual ~StoreHarness() = default;
        virtual uniset::Store& store() = 0;
    };

    enum class Kind
    {
        InProcess,
        SharedMemory
    };
    std::string kindName(Kind k);
    std::unique_ptr<StoreHarness> makeStore(Kind k, const std::vector<UniSetTypes::SensorDescription>& sensors);

    // Removes a segment when it goes out of scope.
    class SegmentGuard
    {
    public:
        explicit SegmentGuard(std::string name) : segment(std::move(name)) {}
        ~SegmentGuard();
        SegmentGuard(const SegmentGuard&) = delete;
        SegmentGuard& operator=(const SegmentGuard&) = delete;
        const std::string& name() const { return segment; }

    private:
        std::string segment;
    };

    // The sensor messages queued to obj, as (id, value), taken out of its queue.
    std::vector<std::pair<UniSetTypes::ObjectId, long>> takeSensorMessages(UniSetObject& obj);
    // Waits (bounded) until obj holds n messages; then takes them.
    std::vector<std::pair<UniSetTypes::ObjectId, long>> awaitSensorMessages(UniSetObject& obj, size_t n);
}
