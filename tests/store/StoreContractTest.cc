// What every store promises, run against the in-process and the shared-memory store.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>

#include "Exceptions.h"
#include "ObjectsActivator.h"
#include "StoreHarness.h"
#include "TestSupport.h"

using namespace UniSetTypes;
using store_testing::Kind;
using Messages = std::vector<std::pair<ObjectId, long>>;

namespace store_testing
{
    void PrintTo(Kind k, std::ostream* os) { *os << kindName(k); }
}

namespace
{
    const char* const kSensors = R"(
  <sensors>
    <item id="10" name="Flag_S" iotype="DI"/>
    <item id="11" name="Level_AS" iotype="AI" default="40"/>
    <item id="12" name="On_C" iotype="DO" default="1"/>
    <item id="13" name="Setpoint_AS" iotype="AO" default="-7"/>
    <item id="14" name="Marker_AS" iotype="AI"/>
  </sensors>)";

    class StoreContract : public ::testing::TestWithParam<Kind>
    {
    protected:
        StoreContract()
            : cfg(Configuration::fromString(testing_support::configXml(kSensors))),
              harness(store_testing::makeStore(GetParam(), cfg->getSensors())),
              sut(harness->store())
        {
        }

        // A change of the marker sensor reaches every reader after every write before
        // it: what a reader holds then is all it will ever get of those writes.
        std::vector<Messages> settle(std::initializer_list<UniSetObject*> readers)
        {
            const long next = sut.getValue(14) + 1;
            sut.setValue(14, next, DefaultObjectId);
            const auto marker = std::make_pair(ObjectId(14), next);
            std::vector<Messages> all;
            for (UniSetObject* reader : readers)
            {
                Messages got;
                testing_support::waitFor([&] {
                    for (const auto& m : store_testing::takeSensorMessages(*reader))
                        got.push_back(m);
                    return !got.empty() && got.back() == marker;
                });
                EXPECT_FALSE(got.empty() || got.back() != marker) << "the marker never arrived";
                if (!got.empty() && got.back() == marker)
                    got.pop_back();
                all.push_back(got);
            }
            return all;
        }
        Messages settle(UniSetObject& reader) { return settle({&reader}).front(); }

        std::unique_ptr<Configuration> cfg;
        std::unique_ptr<store_testing::StoreHarness> harness;
        uniset::Store& sut;
    };
}

TEST_P(StoreContract, AskQueuesTheCurrentValueAtOnce)
{
    UniSetObject reader;
    sut.setValue(11, 55, DefaultObjectId);
    sut.ask(11, UniversalIO::UIONotify, &reader);
    sut.ask(13, UniversalIO::UIONotify, &reader);
    sut.ask(12, UniversalIO::UIONotify, &reader);
    EXPECT_EQ(store_testing::takeSensorMessages(reader), (Messages{{11, 55}, {13, -7}, {12, 1}}));
}

TEST_P(StoreContract, EveryChangeReachesEveryAskerTheWriterIncludedInWriteOrder)
{
    UniSetObject writer, reader;
    for (UniSetObject* o : {&writer, &reader})
    {
        sut.ask(10, UniversalIO::UIONotify, o);
        sut.ask(11, UniversalIO::UIONotify, o);
        sut.ask(14, UniversalIO::UIONotify, o);
    }
    store_testing::takeSensorMessages(writer);
    store_testing::takeSensorMessages(reader);

    sut.setValue(11, 41, 100);
    sut.setValue(10, 1, 100);
    sut.setValue(11, 42, 100);
    sut.setValue(11, 42, 100);   // unchanged: nobody hears
    sut.setValue(10, 1, 100);    // unchanged
    sut.setValue(10, 0, 100);    // a pulse: both edges arrive
    sut.setValue(11, 40, 100);

    const Messages expected{{11, 41}, {10, 1}, {11, 42}, {10, 0}, {11, 40}};
    EXPECT_EQ(settle({&writer, &reader}), (std::vector<Messages>{expected, expected}));
}

TEST_P(StoreContract, MessagesCarryTypeSupplierAndARisingSequence)
{
    UniSetObject reader;
    sut.ask(13, UniversalIO::UIONotify, &reader);
    sut.setValue(13, 5, 100);
    sut.setValue(13, 6, 101);
    testing_support::waitFor([&] { return reader.countMessages() >= 3; });
    auto msgs = testing_support::drain(reader);
    ASSERT_EQ(msgs.size(), 3u);
    SensorMessage first(&msgs[0]), second(&msgs[1]), third(&msgs[2]);
    EXPECT_EQ(second.sensor_type, UniversalIO::AnalogOutput);
    EXPECT_EQ(second.sm_supplier, 100);
    EXPECT_EQ(third.sm_supplier, 101);
    EXPECT_LT(first.sequence, second.sequence);
    EXPECT_LT(second.sequence, third.sequence);
}

TEST_P(StoreContract, DigitalValuesAreStoredAsZeroOrOne)
{
    UniSetObject reader;
    sut.ask(10, UniversalIO::UIONotify, &reader);
    sut.setValue(10, 5, DefaultObjectId);
    sut.setValue(10, -3, DefaultObjectId);   // still 1: unchanged
    EXPECT_EQ(sut.getValue(10), 1);
    sut.ask(14, UniversalIO::UIONotify, &reader);
    EXPECT_EQ(settle(reader), (Messages{{10, 0}, {10, 1}, {14, 0}}));
}

TEST_P(StoreContract, DontNotifyCancelsAndAnAskAgainStartsWithTheCurrentValue)
{
    UniSetObject reader;
    sut.ask(11, UniversalIO::UIONotify, &reader);
    sut.ask(14, UniversalIO::UIONotify, &reader);
    sut.ask(11, UniversalIO::UIODontNotify, &reader);
    sut.setValue(11, 70, DefaultObjectId);
    EXPECT_EQ(settle(reader), (Messages{{11, 40}, {14, 0}}));
    sut.ask(11, UniversalIO::UIONotify, &reader);
    sut.setValue(11, 71, DefaultObjectId);
    EXPECT_EQ(settle(reader), (Messages{{11, 70}, {11, 71}}));
}

TEST_P(StoreContract, UnknownIdsThrowNamingTheId)
{
    UniSetObject reader;
    const std::vector<std::pair<const char*, std::function<void()>>> calls{
        {"getValue", [&] { sut.getValue(999); }},
        {"getIOType", [&] { sut.getIOType(999); }},
        {"setValue", [&] { sut.setValue(999, 1, DefaultObjectId); }},
        {"ask", [&] { sut.ask(999, UniversalIO::UIONotify, &reader); }},
    };
    for (const auto& [what, call] : calls)
    {
        try
        {
            call();
            ADD_FAILURE() << what << " did not throw";
        }
        catch (const Exception& ex)
        {
            EXPECT_NE(ex.text.find("999"), std::string::npos) << what << ": " << ex.text;
        }
    }
}

TEST_P(StoreContract, AnAskerThatIsGoneHearsNothingMore)
{
    auto gone = std::make_unique<UniSetObject>();
    UniSetObject stays;
    sut.ask(11, UniversalIO::UIONotify, gone.get());
    sut.ask(11, UniversalIO::UIONotify, &stays);
    sut.ask(14, UniversalIO::UIONotify, &stays);
    store_testing::takeSensorMessages(stays);
    for (long v = 1; v <= 200; ++v)
    {
        sut.setValue(11, v, DefaultObjectId);
        if (v == 100)
            gone.reset();   // while changes flow
    }
    EXPECT_EQ(settle(stays).size(), 200u);
}

TEST_P(StoreContract, AnAskJoiningASensorThatAWriterKeepsBusyReturnsAndHearsWhatTheOthersHear)
{
    UniSetObject first, second;
    for (UniSetObject* o : {&first, &second})
        sut.ask(14, UniversalIO::UIONotify, o);   // the marker of settle()
    sut.ask(10, UniversalIO::UIONotify, &first);
    store_testing::takeSensorMessages(second);
    std::atomic<bool> joined{false};
    std::thread joiner;
    {
        testing_support::BusyWriter writer(sut, 10);
        writer.start();
        ASSERT_TRUE(testing_support::waitFor([&] { return writer.writes() > 1000; }));
        joiner = std::thread([&] {
            sut.ask(10, UniversalIO::UIONotify, &second);
            joined = true;
        });
        EXPECT_TRUE(testing_support::waitFor([&] { return joined.load(); })) << "the ask waited on the writer";
    }   // the writer stops here, which would also free an ask stuck behind it
    joiner.join();

    // From where it joined, the late asker hears of the busy sensor exactly what the
    // first one hears (a fallen-behind notifier resends the marker to both, too).
    const auto got = settle({&first, &second});
    Messages all, late;
    std::copy_if(got[0].begin(), got[0].end(), std::back_inserter(all), [](const auto& m) { return m.first == 10; });
    std::copy_if(got[1].begin(), got[1].end(), std::back_inserter(late), [](const auto& m) { return m.first == 10; });
    ASSERT_FALSE(late.empty());
    ASSERT_LT(late.size(), all.size());
    EXPECT_TRUE(std::equal(late.begin(), late.end(), all.end() - late.size()));
}

TEST_P(StoreContract, ObjectsTheActivatorStoppedHearNothingWhileTheyAreDestroyed)
{
    testing_support::BusyWriter writer(sut, 10);
    std::atomic<int> late{0};
    std::vector<std::unique_ptr<testing_support::LateDeliveryProbe>> objects;
    {
        ObjectsActivator act;
        for (int i = 0; i < 5; ++i)
        {
            objects.push_back(std::make_unique<testing_support::LateDeliveryProbe>(writer, late));
            sut.ask(10, UniversalIO::UIONotify, objects.back().get());
            act.addObject(objects.back().get());
        }
        writer.start();
        act.run(true);
        ASSERT_TRUE(testing_support::waitFor([&] { return objects.front()->threadRunning(); }));
        act.stop();
        act.join();
        objects.clear();
    }
    EXPECT_EQ(late, 0) << "messages pushed into objects being destroyed";
}

TEST_P(StoreContract, AStoreGoingAwayIsNotReachedHalfDestroyedByObjectsGoingAway)
{
    // What goes wrong here is a race the sanitizers see: a store's forget called
    // while its members are being destroyed.
    std::atomic<bool> done{false};
    std::thread objectsComeAndGo([&] {
        while (!done)
            UniSetObject passing;
    });
    for (int i = 0; i < 50; ++i)
        store_testing::makeStore(GetParam(), cfg->getSensors());
    done = true;
    objectsComeAndGo.join();
}

TEST_P(StoreContract, WritersOnSeveralThreadsAreSeenInOneOrderByEveryAsker)
{
    UniSetObject first, second;
    for (UniSetObject* o : {&first, &second})
    {
        o->setQueueWatermark(100000);
        for (ObjectId id : {11, 13, 14})
            sut.ask(id, UniversalIO::UIONotify, o);
    }
    store_testing::takeSensorMessages(first);
    store_testing::takeSensorMessages(second);

    constexpr long kWrites = 2000;
    auto writeRising = [&](ObjectId id) {
        for (long v = 1; v <= kWrites; ++v)
            sut.setValue(id, v, DefaultObjectId);
    };
    std::thread a(writeRising, 11), b(writeRising, 13);
    a.join();
    b.join();

    const auto seen = settle({&first, &second});
    EXPECT_EQ(seen[0], seen[1]);
    ASSERT_EQ(seen[0].size(), size_t(2 * kWrites));
    std::map<ObjectId, long> last{{11, 0}, {13, 0}};
    for (const auto& [id, value] : seen[0])
        ASSERT_EQ(value, ++last[id]) << "sensor " << id;
}

INSTANTIATE_TEST_SUITE_P(Stores, StoreContract, ::testing::Values(Kind::InProcess, Kind::SharedMemory),
                         [](const auto& info) { return store_testing::kindName(info.param); });
