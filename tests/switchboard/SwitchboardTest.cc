#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "Exceptions.h"
#include "Process.h"
#include "SkeletonSupport.h"
#include "Store.h"
#include "Switchboard.h"

using namespace UniSetTypes;
using testing_support::TestWorld;

namespace
{
    const char* const kSensors = R"(
  <nodes><item id="1" name="localhost"/></nodes>
  <sensors>
    <item id="100" name="N" iotype="DI"/>
    <item id="101" name="nA" iotype="DI"/>
    <item id="102" name="nB" iotype="DI"/>
    <item id="103" name="nC" iotype="DI"/>
    <item id="110" name="a1" iotype="DI"/>
    <item id="111" name="a2" iotype="DI"/>
    <item id="112" name="b1" iotype="DI"/>
    <item id="113" name="b2" iotype="DI"/>
    <item id="114" name="c1" iotype="DI"/>
    <item id="120" name="Q" iotype="DI"/>
    <item id="121" name="Q2" iotype="DI"/>
  </sensors>
  <objects><item id="5000" name="Switchboard"/></objects>)";

    constexpr ObjectId N = 100, nA = 101, nB = 102, nC = 103, a1 = 110, a2 = 111, b1 = 112, b2 = 113, c1 = 114,
                       Q = 120, Q2 = 121;

    // Two sections A and B joined by the bus-tie breaker Q.
    const char* const kTwoSections = R"(NoPower_s="N">
      <group name="A" nopower_s="nA"><item name="a1"/><item name="a2"/></group>
      <automat name="Q"/>
      <group name="B" nopower_s="nB"><item name="b1"/><item name="b2"/></group>
    </Switchboard>)";

    std::string world(const std::string& node) { return std::string(kSensors) + "\n<settings><Switchboard name=\"Switchboard\" " + node + "</settings>"; }

    std::unique_ptr<Switchboard> makeSwitchboard(TestWorld& w)
    {
        return std::make_unique<Switchboard>("Switchboard", w.cfg().getNode("Switchboard"));
    }

    void feed(Switchboard& sut, ObjectId id, bool state)
    {
        sut.push(SensorMessage(id, state, UniversalIO::DigitalInput).transport());
        sut.callback();
    }

    bool value(TestWorld& w, ObjectId id) { return w.store().getValue(id) != 0; }

    std::set<ObjectId> writtenIds(TestWorld& w)
    {
        std::set<ObjectId> ids;
        for (const auto& wr : w.store().writes())
            ids.insert(wr.id);
        return ids;
    }

    // Fails every ask of one sensor a given number of times, then behaves.
    class FlakyStore : public uniset::Store
    {
    public:
        FlakyStore(uniset::Store& inner, ObjectId bad, int failures) : inner(inner), bad(bad), failures(failures) {}
        std::string name() const override { return "flaky"; }
        bool isReady() const override { return inner.isReady(); }
        long getValue(ObjectId id) const override { return inner.getValue(id); }
        UniversalIO::IOTypes getIOType(ObjectId id) const override { return inner.getIOType(id); }
        void setValue(ObjectId id, long v, ObjectId s) override { inner.setValue(id, v, s); }
        void ask(ObjectId id, UniversalIO::UIOCommand cmd, UniSetObject* consumer) override
        {
            ++asks[id];
            if (id == bad && failures > 0)
            {
                --failures;
                throw Exception("store: cannot ask " + std::to_string(id));
            }
            inner.ask(id, cmd, consumer);
        }
        void forget(UniSetObject* consumer) override { inner.forget(consumer); }

        std::map<ObjectId, int> asks;

    private:
        uniset::Store& inner;
        ObjectId bad;
        int failures;
    };
}

struct WorkedCase
{
    std::string name;
    bool qClosed;
    std::set<ObjectId> live;
    bool noPowerA;
    bool noPowerB;
    bool noPowerStation;
};

class SwitchboardWorkedExample : public testing::TestWithParam<WorkedCase>
{
};

TEST_P(SwitchboardWorkedExample, SectionsShareTheirSources)
{
    const WorkedCase& c = GetParam();
    TestWorld w(world(kTwoSections));
    auto sut = makeSwitchboard(w);

    for (ObjectId src : {a1, a2, b1, b2})
        sut->push(SensorMessage(src, c.live.count(src) ? 1 : 0, UniversalIO::DigitalInput).transport());
    sut->push(SensorMessage(Q, c.qClosed, UniversalIO::DigitalInput).transport());
    sut->callback();

    EXPECT_EQ(value(w, nA), c.noPowerA);
    EXPECT_EQ(value(w, nB), c.noPowerB);
    EXPECT_EQ(value(w, N), c.noPowerStation);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SwitchboardWorkedExample,
    testing::Values(WorkedCase{"ClosedOneSourceFeedsBoth", true, {a1}, false, false, false},
                    WorkedCase{"ClosedNoSource", true, {}, true, true, true},
                    WorkedCase{"OpenOnlyAIsLive", false, {a1}, false, true, true},
                    WorkedCase{"OpenBothLive", false, {a2, b1}, false, false, false},
                    WorkedCase{"OpenNoSource", false, {}, true, true, true}),
    [](const testing::TestParamInfo<WorkedCase>& info) { return info.param.name; });

TEST(Switchboard, BreakerCountsAsOpenUntilItsFirstMessage)
{
    TestWorld w(world(kTwoSections));
    auto sut = makeSwitchboard(w);
    feed(*sut, a1, true);
    EXPECT_FALSE(value(w, nA));
    EXPECT_TRUE(value(w, nB));
    EXPECT_TRUE(value(w, N));
}

TEST(Switchboard, OneGroupIsWithoutPowerExactlyWhileNoSourceIsOn)
{
    TestWorld w(world(R"(NoPower_s="N"><group name="A" nopower_s="nA"><item name="a1"/><item name="a2"/></group></Switchboard>)"));
    auto sut = makeSwitchboard(w);
    feed(*sut, a2, true);
    EXPECT_FALSE(value(w, nA));
    EXPECT_FALSE(value(w, N));
    feed(*sut, a2, false);
    EXPECT_TRUE(value(w, nA));
    EXPECT_TRUE(value(w, N));
}

TEST(Switchboard, SectionsWithoutGroupsWriteNothingAndNeverMarkTheStation)
{
    TestWorld w(world(R"(NoPower_s="N">
      <automat name="Q"/><automat name="Q2"/>
      <group name="A" nopower_s="nA"><item name="a1"/></group>
      <automat name="Q2"/></Switchboard>)"));
    auto sut = makeSwitchboard(w);
    w.store().clearWrites();
    feed(*sut, a1, true);
    EXPECT_EQ(writtenIds(w), (std::set<ObjectId>{nA, N}));
    EXPECT_FALSE(value(w, N));
}

TEST(Switchboard, ClosedBreakersJoinThreeGroupsToOneLiveSection)
{
    TestWorld w(world(R"(NoPower_s="N">
      <group name="A" nopower_s="nA"><item name="a1"/></group>
      <automat name="Q"/>
      <group name="B" nopower_s="nB"><item name="b1"/></group>
      <automat name="Q2"/>
      <group name="C" nopower_s="nC"><item name="c1"/></group></Switchboard>)"));
    auto sut = makeSwitchboard(w);
    sut->push(SensorMessage(Q, 1, UniversalIO::DigitalInput).transport());
    sut->push(SensorMessage(Q2, 1, UniversalIO::DigitalInput).transport());
    sut->push(SensorMessage(a1, 1, UniversalIO::DigitalInput).transport());
    sut->callback();
    EXPECT_FALSE(value(w, nA));
    EXPECT_FALSE(value(w, nB));
    EXPECT_FALSE(value(w, nC));
    EXPECT_FALSE(value(w, N));
}

TEST(Switchboard, SourceListedInTwoGroupsFeedsBoth)
{
    TestWorld w(world(R"(NoPower_s="N">
      <group name="A" nopower_s="nA"><item name="a1"/></group>
      <automat name="Q"/>
      <group name="B" nopower_s="nB"><item name="a1"/><item name="b1"/></group></Switchboard>)"));
    auto sut = makeSwitchboard(w);
    feed(*sut, a1, true);
    EXPECT_FALSE(value(w, nA));
    EXPECT_FALSE(value(w, nB));
}

TEST(Switchboard, MessageOfAnUnorderedSensorStillRewritesEveryResult)
{
    TestWorld w(world(kTwoSections));
    auto sut = makeSwitchboard(w);
    w.store().clearWrites();
    feed(*sut, nC, true);
    EXPECT_EQ(writtenIds(w), (std::set<ObjectId>{nA, nB, N}));
}

TEST(Switchboard, AsksEverySensorOfTheRowOnStartUp)
{
    TestWorld w(world(kTwoSections));
    auto sut = makeSwitchboard(w);
    sut->activateObject();
    w.store().setValue(a1, 1, DefaultObjectId);
    w.store().setValue(Q, 1, DefaultObjectId);
    sut->push(SystemMessage(SystemMessage::StartUp).transport());
    sut->callback();   // start-up: the current values are queued
    sut->callback();
    EXPECT_FALSE(value(w, nB));
    EXPECT_FALSE(value(w, N));
}

TEST(Switchboard, SensorThatCannotBeAskedDoesNotStopTheOthersAndIsAskedAgain)
{
    TestWorld w(world(kTwoSections));
    FlakyStore flaky(w.store(), a2, 1);
    uniset::setStore(&flaky);
    auto sut = makeSwitchboard(w);
    sut->activateObject();
    LogCapture log(Switchboard::dlog);

    sut->push(SystemMessage(SystemMessage::StartUp).transport());
    sut->callback();

    EXPECT_EQ(flaky.asks[a2], 2);
    for (ObjectId id : {a1, Q, b1, b2})
        EXPECT_EQ(flaky.asks[id], 1) << id;
    EXPECT_NE(log.text().find("Switchboard(askSensors):  store: cannot ask 111"), std::string::npos);
    uniset::setStore(&w.store());
}

TEST(Switchboard, TerminateStopsItsLoop)
{
    TestWorld w(world(kTwoSections));
    auto sut = makeSwitchboard(w);
    sut->sigterm(15);
    EXPECT_FALSE(sut->active);
}

TEST(Switchboard, FailedWriteKeepsTheInputsAndIsLogged)
{
    TestWorld w(world(kTwoSections));
    auto sut = makeSwitchboard(w);
    std::vector<SensorDescription> sensors;
    for (const auto& s : w.cfg().getSensors())
        if (s.id != nA)
            sensors.push_back(s);
    uniset::InProcessStore partial(sensors);
    uniset::setStore(&partial);
    LogCapture log(Switchboard::dlog);
    testing::internal::CaptureStdout();

    feed(*sut, b1, true);

    EXPECT_NE(testing::internal::GetCapturedStdout().find("Switchboard(processingMessage): "), std::string::npos);
    EXPECT_NE(log.text().find("Switchboard(updateNoPower):  "), std::string::npos);
    uniset::setStore(&w.store());
    feed(*sut, a1, false);
    EXPECT_FALSE(value(w, nB));   // b1 was kept
}

struct RowErrorCase
{
    std::string name;
    std::string node;
    std::string text;
};

class SwitchboardRowErrors : public testing::TestWithParam<RowErrorCase>
{
};

TEST_P(SwitchboardRowErrors, ConstructionFailsNamingTheFault)
{
    TestWorld w(world(GetParam().node));
    try
    {
        makeSwitchboard(w);
        FAIL() << "constructed";
    }
    catch (const Exception& ex)
    {
        EXPECT_EQ(ex.text, GetParam().text);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SwitchboardRowErrors,
    testing::Values(
        RowErrorCase{"NoChildren", R"(NoPower_s="N"></Switchboard>)", "not found <groups> for Switchboard"},
        RowErrorCase{"GroupWithoutItems", R"(NoPower_s="N"><group name="A" nopower_s="nA"/></Switchboard>)",
                     "not found <items> in <group> for Switchboard"},
        RowErrorCase{"UnknownElement", R"(NoPower_s="N"><breaker name="Q"/></Switchboard>)",
                     "Unknon structure element breaker for Switchboard"},
        RowErrorCase{"MissingNoPower", R"(><automat name="Q"/></Switchboard>)",
                     "Switchboard(NoPower_s): not found ID for "},
        RowErrorCase{"UnknownBreakerSensor", R"(NoPower_s="N"><automat name="QX"/></Switchboard>)",
                     "Switchboard(automat): not found ID for QX"},
        RowErrorCase{"UnknownGroupNoPower",
                     R"(NoPower_s="N"><group name="A" nopower_s="x"><item name="a1"/></group></Switchboard>)",
                     "Switchboard(nopower_s): not found ID for x"},
        RowErrorCase{"UnnamedGroupItem", R"(NoPower_s="N"><group nopower_s="nA"><item name="zz"/></group></Switchboard>)",
                     "Switchboard(add  item): not found ID for zz"}),
    [](const testing::TestParamInfo<RowErrorCase>& info) { return info.param.name; });

TEST(Switchboard, DefaultConstructorRefuses)
{
    TestWorld w(world(kTwoSections));
    EXPECT_THROW(Switchboard sut, Exception);
}

TEST(Switchboard, BenchConfigurationBuildsTheWatcher)
{
    TestWorld w(testing_support::benchConfigurationBody());
    auto sut = makeSwitchboard(w);
    EXPECT_EQ(sut->row().size(), 3u);
}
