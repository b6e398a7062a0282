#include "StoreHarness.h"

#include "InProcessStore.h"
#include "Process.h"
#include "ShmSegment.h"
#include "ShmStore.h"
#include "TestSupport.h"

namespace store_testing
{
    std::string uniqueStoreName() { return "/ravna." + testing_support::uniqueStoreName("store"); }

    SegmentGuard::~SegmentGuard() { uniset::ShmSegment::remove(segment); }

    std::string kindName(Kind k) { return k == Kind::InProcess ? "InProcess" : "SharedMemory"; }

    namespace
    {
        class InProcessHarness final : public StoreHarness
        {
        public:
            explicit InProcessHarness(const std::vector<UniSetTypes::SensorDescription>& sensors) : s(sensors) {}
            uniset::Store& store() override { return s; }

        private:
            uniset::InProcessStore s;
        };

        class ShmHarness final : public StoreHarness
        {
        public:
            explicit ShmHarness(const std::vector<UniSetTypes::SensorDescription>& sensors)
                : guard(uniqueStoreName())
            {
                bool adopted = false;
                owner = uniset::ShmSegment::create(guard.name(), sensors, {}, adopted);
                owner->setState(uniset::shm::State::Ready);
                s = std::make_unique<uniset::ShmStore>(sensors, guard.name());
            }
            uniset::Store& store() override { return *s; }

        private:
            SegmentGuard guard;
            std::unique_ptr<uniset::ShmSegment> owner;
            std::unique_ptr<uniset::ShmStore> s;
        };
    }

    std::unique_ptr<StoreHarness> makeStore(Kind k, const std::vector<UniSetTypes::SensorDescription>& sensors)
    {
        if (k == Kind::InProcess)
            return std::make_unique<InProcessHarness>(sensors);
        return std::make_unique<ShmHarness>(sensors);
    }

    std::vector<std::pair<UniSetTypes::ObjectId, long>> takeSensorMessages(UniSetObject& obj)
    {
        std::vector<std::pair<UniSetTypes::ObjectId, long>> out;
        for (const auto& vm : testing_support::drain(obj))
        {
            UniSetTypes::SensorMessage sm(&vm);
            out.emplace_back(sm.id, sm.value);
        }
        return out;
    }

    std::vector<std::pair<UniSetTypes::ObjectId, long>> awaitSensorMessages(UniSetObject& obj, size_t n)
    {
        testing_support::waitFor([&] { return obj.countMessages() >= n; });
        return takeSensorMessages(obj);
    }
}
