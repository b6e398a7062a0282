#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "Exceptions.h"
#include "StationState.h"
#include "TestStation.h"
#include "Process.h"
#include "TestSupport.h"

using namespace UniSetTypes;
using testing_support::TestWorld;

namespace
{
    constexpr ObjectId kDieselState = 100, kGeneratorState = 101, kQGState = 102, kQGOn = 103;
    constexpr ObjectId kDieselOn = 110, kDieselProtection = 111, kGeneratorOn = 112, kQGProtection = 113;

    const char* const kMapperOfDiesel = R"(
      <item id="100">
        <v value="1"><s id="110" iotype="DI"/></v>
        <v value="2"><s id="111" iotype="DI"/></v>
      </item>)";

    std::string world(const std::string& dieselAttrs = R"(state_as="SES1_Diesel_State_AS")",
                      const std::string& generatorAttrs = R"(state_as="SES1_Generator_State_AS")",
                      const std::string& qgAttrs = R"(state_as="SES1_QG_State_AS" on_s="SES1_QG_On_S")")
    {
        return R"(
  <nodes><item id="1" name="localhost"/></nodes>
  <sensors>
    <item id="100" name="SES1_Diesel_State_AS" iotype="AI"/>
    <item id="101" name="SES1_Generator_State_AS" iotype="AI"/>
    <item id="102" name="SES1_QG_State_AS" iotype="AI"/>
    <item id="103" name="SES1_QG_On_S" iotype="DI"/>
    <item id="110" name="SES1_Diesel_On_S" iotype="DI"/>
    <item id="111" name="SES1_Diesel_Protection_S" iotype="DI"/>
    <item id="112" name="SES1_Generator_On_S" iotype="DI"/>
    <item id="113" name="SES1_QG_Protection_S" iotype="DI"/>
  </sensors>
  <objects>
    <item id="5001" name="SES1"/>
    <item id="5002" name="SES1_Diesel"/>
    <item id="5003" name="SES1_Generator"/>
    <item id="5004" name="SES1_QG"/>
  </objects>
  <settings>
    <SES1 name="SES1" num="3" QG="SES1_QG" Diesel="SES1_Diesel" Generator="SES1_Generator"/>
    <SES1_Diesel name="SES1_Diesel" )" +
               dieselAttrs + ">" + kMapperOfDiesel + R"(</SES1_Diesel>
    <SES1_Generator name="SES1_Generator" )" +
               generatorAttrs + R"(>
      <item id="101"><v value="1"><s id="112" iotype="DI"/></v></item>
    </SES1_Generator>
    <SES1_QG name="SES1_QG" )" +
               qgAttrs + R"(>
      <item id="102"><v value="2"><s id="113" iotype="DI"/></v></item>
    </SES1_QG>
  </settings>)";
    }

    std::unique_ptr<TestStation> makeStation(TestWorld& w)
    {
        return std::make_unique<TestStation>("SES1", w.cfg().getNode("SES1"));
    }

    void feed(UniSetObject& monitor, ObjectId id, long value)
    {
        monitor.push(SensorMessage(id, value, UniversalIO::AnalogInput).transport());
        monitor.callback();
    }
}

TEST(UnitMonitors, StationCreatesAndOwnsItsThreeMonitorsInOrder)
{
    TestWorld w(world());
    auto station = makeStation(w);
    const auto objects = station->getObjects();
    ASSERT_EQ(objects.size(), 3u);
    EXPECT_EQ(objects[0], station->qg);
    EXPECT_EQ(objects[1], station->diesel);
    EXPECT_EQ(objects[2], station->generator);
    EXPECT_EQ(station->diesel->getName(), "SES1_Diesel");
    EXPECT_EQ(station->generator->sleepMsec, 200);
    EXPECT_EQ(station->qg->sleepMsec, 150);
}

struct QueryCase
{
    std::string name;
    long code;
    bool on;
    bool protection;
};

class UnitQueries : public testing::TestWithParam<QueryCase>
{
};

TEST_P(UnitQueries, AnswerFromTheLastStoredCode)
{
    const QueryCase& c = GetParam();
    TestWorld w(world());
    auto station = makeStation(w);
    feed(*station->diesel, kDieselState, c.code);
    feed(*station->generator, kGeneratorState, c.code);
    feed(*station->qg, kQGState, c.code);

    EXPECT_EQ(station->diesel->isOn(), c.on);
    EXPECT_EQ(station->diesel->isProtection(), c.protection);
    EXPECT_EQ(station->generator->isOn(), c.on);
    EXPECT_EQ(station->generator->isProtection(), c.protection);
    EXPECT_EQ(station->qg->isOn(), c.on);
    EXPECT_EQ(station->qg->isNotOff(), c.on);
    EXPECT_EQ(station->qg->isProtection(), c.protection);
}

INSTANTIATE_TEST_SUITE_P(Codes, UnitQueries,
                         testing::Values(QueryCase{"Off", mOFF, false, false}, QueryCase{"On", mON, true, false},
                                         QueryCase{"Protection", mPROTECTION, false, true},
                                         QueryCase{"Init", mINIT, false, false},
                                         QueryCase{"Transitive", mTRANSITIVE, false, false},
                                         QueryCase{"Running", mRunning, false, false},
                                         QueryCase{"UndefinedBreaker", 10, false, false}),
                         [](const testing::TestParamInfo<QueryCase>& info) { return info.param.name; });

TEST(Diesel, ReportsEveryMessageOfItsStateToTheStation)
{
    TestWorld w(world());
    auto station = makeStation(w);
    feed(*station->diesel, kDieselState, mRunning);
    feed(*station->diesel, kDieselState, mRunning);

    const auto reports = station->reports();
    ASSERT_EQ(reports.size(), 2u);
    for (const SEESMessage& r : reports)
    {
        EXPECT_EQ(r.type, 11);
        EXPECT_EQ(r.priority, Message::Medium);
        EXPECT_EQ(r.event, SEESMessage::DieselState);
        EXPECT_EQ(r.state, mRunning);
        EXPECT_EQ(r.ses, 3);
        EXPECT_EQ(r.group, 0);
        EXPECT_EQ(r.reserved, 0);
    }
}

TEST(Diesel, MapsItsStateToDiscreteSensors)
{
    TestWorld w(world());
    auto station = makeStation(w);
    feed(*station->diesel, kDieselState, mPROTECTION);
    EXPECT_EQ(w.store().getValue(kDieselOn), 0);
    EXPECT_EQ(w.store().getValue(kDieselProtection), 1);
    feed(*station->diesel, kDieselState, mON);
    EXPECT_EQ(w.store().getValue(kDieselOn), 1);
    EXPECT_EQ(w.store().getValue(kDieselProtection), 0);
}

TEST(Diesel, IgnoresEveryOtherSensor)
{
    TestWorld w(world());
    auto station = makeStation(w);
    w.store().clearWrites();
    feed(*station->diesel, kGeneratorState, mON);
    EXPECT_TRUE(station->reports().empty());
    EXPECT_TRUE(w.store().writes().empty());
    EXPECT_FALSE(station->diesel->isOn());
}

TEST(Generator, MapsItsStateAndReportsNothing)
{
    TestWorld w(world());
    auto station = makeStation(w);
    feed(*station->generator, kGeneratorState, mON);
    EXPECT_EQ(w.store().getValue(kGeneratorOn), 1);
    EXPECT_TRUE(station->reports().empty());
}

TEST(QG, ClosedSignalAndStateCodeAreNeverCompared)
{
    TestWorld w(world());
    auto station = makeStation(w);
    feed(*station->qg, kQGState, mON);
    EXPECT_TRUE(station->qg->isOn());
    EXPECT_FALSE(station->qg->getOnState());

    station->qg->push(SensorMessage(kQGOn, 1, UniversalIO::DigitalInput).transport());
    station->qg->callback();
    EXPECT_TRUE(station->qg->getOnState());

    feed(*station->qg, kQGState, mPROTECTION);
    EXPECT_EQ(w.store().getValue(kQGProtection), 1);
    EXPECT_TRUE(station->qg->isProtection());
    EXPECT_FALSE(station->qg->isOn());
}

TEST(QG, GetdataRefreshesBothInputsFromSharedMemory)
{
    TestWorld w(world());
    auto station = makeStation(w);
    w.store().setValue(kQGState, mON, DefaultObjectId);
    w.store().setValue(kQGOn, 1, DefaultObjectId);
    station->qg->getdata();
    EXPECT_TRUE(station->qg->isOn());
    EXPECT_TRUE(station->qg->getOnState());
}

TEST(QG, StateDefaultOptionAnswersBeforeTheFirstReading)
{
    TestWorld w(world(), {"test", "--state_as-default", "1"});
    auto station = makeStation(w);
    EXPECT_TRUE(station->qg->isOn());
    EXPECT_FALSE(station->qg->getOnState());
}

TEST(QG, PrintIdListPrintsItsTwoSensors)
{
    TestWorld w(world(R"(state_as="SES1_Diesel_State_AS")", R"(state_as="SES1_Generator_State_AS")",
                      R"(state_as="SES1_QG_State_AS" on_s="SES1_QG_On_S")"),
                {"test", "--print-id-list"});
    testing::internal::CaptureStdout();
    auto station = makeStation(w);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "id:102\nid:103\nid:100\nid:101\n");
}

TEST(UnitMonitors, TerminateStopsTheLoopAndTheQueriesStillAnswer)
{
    TestWorld w(world());
    auto station = makeStation(w);
    feed(*station->diesel, kDieselState, mON);
    station->diesel->sigterm(15);
    station->generator->sigterm(15);
    EXPECT_FALSE(station->diesel->active);
    EXPECT_FALSE(station->generator->active);
    feed(*station->diesel, kDieselState, mOFF);
    EXPECT_TRUE(station->diesel->isOn());
}

TEST(UnitMonitors, QueriesFromAnotherThreadWhileTheLoopStoresTheCode)
{
    TestWorld w(world());
    auto station = makeStation(w);
    std::atomic<bool> done{false};
    std::atomic<int> answers{0};
    std::thread stationThread([&] {
        while (!done)
        {
            answers += station->diesel->isOn() + station->qg->isProtection() + station->qg->getOnState();
            station->qg->getdata();
        }
    });
    for (int i = 0; i < 200; ++i)
    {
        feed(*station->diesel, kDieselState, i % 3);
        feed(*station->qg, kQGState, i % 3);
    }
    done = true;
    stationThread.join();
    SUCCEED();
}

TEST(UnitMonitors, ClassLogTakesTheFirstStationsStreamOnly)
{
    // Whichever station came first in this process, a later one changes nothing.
    DebugStream first(Debug::CRIT);
    Diesel::initLog(first);
    const uint32_t taken = Diesel::dlog.level();
    Diesel::initLog(DebugStream(Debug::ANY));
    EXPECT_EQ(Diesel::dlog.level(), taken);
}

struct MonitorErrorCase
{
    std::string name;
    std::string diesel;
    std::string qg;
    std::string text;
};

class UnitConstruction : public testing::TestWithParam<MonitorErrorCase>
{
};

TEST_P(UnitConstruction, FailsTheStationWithTheSkeletonsText)
{
    const MonitorErrorCase& c = GetParam();
    TestWorld w(world(c.diesel, R"(state_as="SES1_Generator_State_AS")", c.qg));
    try
    {
        makeStation(w);
        FAIL() << "constructed";
    }
    catch (const Exception& ex)
    {
        EXPECT_EQ(ex.text, c.text);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnitConstruction,
    testing::Values(
        MonitorErrorCase{"DieselWithoutState", "", R"(state_as="SES1_QG_State_AS" on_s="SES1_QG_On_S")",
                         "SES1_Diesel: Not found ID for (state_as) "},
        MonitorErrorCase{"DieselStateNotAnalog", R"(state_as="SES1_Diesel_On_S")",
                         R"(state_as="SES1_QG_State_AS" on_s="SES1_QG_On_S")",
                         "SES1_Diesel(init): Invalid 'iotype' for 'state_as' set 'AI' but SES1_Diesel_On_S='DI'"},
        MonitorErrorCase{"QGClosedSignalNotDigital", R"(state_as="SES1_Diesel_State_AS")",
                         R"(state_as="SES1_QG_State_AS" on_s="SES1_QG_State_AS")",
                         "SES1_QG(init): Invalid 'iotype' for 'on_s' set 'DI' but SES1_QG_State_AS='AI'"},
        MonitorErrorCase{"QGNodeNotFound", R"(state_as="SES1_Diesel_State_AS")",
                         R"(state_as="SES1_QG_State_AS" on_s="SES1_QG_On_S" node_on_s="far")",
                         "SES1_QG: Not found NodeID for (node='node_on_s') far"}),
    [](const testing::TestParamInfo<MonitorErrorCase>& info) { return info.param.name; });

TEST(UnitMonitors, UnknownObjectNameFailsWithTheClassName)
{
    TestWorld w(world());
    try
    {
        Generator sut(1, "Nobody", nullptr, w.cfg().getNode("SES1_Generator"));
        FAIL() << "constructed";
    }
    catch (const SystemError& ex)
    {
        EXPECT_EQ(ex.text, "(Generator::init): Unknown ObjectID!");
    }
    EXPECT_THROW(QG sut, Exception);
}

TEST(UnitMonitors, BenchConfigurationBuildsEveryStationsMonitors)
{
    TestWorld w(testing_support::benchConfigurationBody());

    for (int n = 1; n <= 4; ++n)
    {
        const std::string prefix = "SES" + std::to_string(n) + "_";
        QG qg(n, prefix + "QG", nullptr, w.cfg().getNode(prefix + "QG"));
        Diesel diesel(n, prefix + "Diesel", nullptr, w.cfg().getNode(prefix + "Diesel"));
        Generator generator(n, prefix + "Generator", nullptr, w.cfg().getNode(prefix + "Generator"));
        EXPECT_NE(diesel.state_as, DefaultObjectId);
        EXPECT_NE(qg.on_s, DefaultObjectId);
    }
}
