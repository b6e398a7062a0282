// Building a station from its node: what it refuses, with the texts that name what
// is wrong, what it accepts in place of a missing setting, and the state it is left in.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "Exceptions.h"
#include "SEESMode.h"
#include "StationRig.h"

using namespace station_test;
using namespace UniSetTypes;

namespace
{
    // A station built straight from a world, with its log in a file.
    class Builder
    {
    public:
        explicit Builder(const Settings& settings, std::vector<std::string> args = {"test"})
            : world(stationWorld(settings), std::move(args))
        {
            saved = SEES::dlog;
            SEES::dlog.level(Debug::ANY);
            SEES::dlog.logFile(dir.path("station.log"));
        }
        ~Builder() { SEES::dlog = saved; }

        std::unique_ptr<SEES> build(const std::string& name = "SES1")
        {
            return std::make_unique<SEES>(0, name, &owner, world.cfg().getNode("SES1"));
        }
        std::string log() const { return dir.read("station.log"); }

        testing_support::TempDir dir;
        testing_support::TestWorld world;
        RecordingOwner owner;
        DebugStream saved;
    };

    struct Refusal
    {
        const char* name;
        Settings settings;
        std::string text;
        std::string log = {}; // the line the station writes, when it writes one
    };

    void PrintTo(const Refusal& c, std::ostream* os) { *os << c.name; }

    class StationConstruction : public ::testing::TestWithParam<Refusal>
    {
    };

    TEST_P(StationConstruction, RefusesNamingWhatIsWrong)
    {
        const Refusal& c = GetParam();
        Builder b(c.settings);
        std::string text;
        try
        {
            b.build();
            ADD_FAILURE() << "built";
        }
        catch (const Exception& ex)
        {
            text = ex.text;
        }
        EXPECT_EQ(text, c.text);
        if (!c.log.empty())
        {
            EXPECT_NE(b.log().find(c.log + "\n"), std::string::npos) << b.log();
        }
    }

    const std::string timeFailed = "' time FAILED! Must be >0";

    INSTANTIATE_TEST_SUITE_P(
        Node, StationConstruction,
        ::testing::Values(
            Refusal{"StateWithoutSensor", {{"state_as", ""}}, "SES1: Not found ID for (state_as) "},
            Refusal{"FirstMissingSensorNamed", {{"DG_Start_s", ""}, {"state_as", ""}},
                    "SES1: Not found ID for (state_as) "},
            Refusal{"UnknownSensorName", {{"DG_Stop_s", "NoSuch"}}, "SES1: Not found ID for (DG_Stop_s) NoSuch"},
            Refusal{"PostIdOfTheWrongType", {{"postID", "SES1_DG_Start_s"}},
                    "SES1(init): Invalid 'iotype' for 'postID' set 'AI' but SES1_DG_Start_s='DI'"},
            Refusal{"ControlValueMustBeAnAnalogOutput", {{"CtlMode_f", "SES1_Priority_s"}},
                    "SES1(init): Invalid 'iotype' for 'CtlMode_f' set 'AO' but SES1_Priority_s='AI'"},
            Refusal{"UnknownNode", {{"node_Reset_s", "Moon"}},
                    "SES1: Not found NodeID for (node='node_Reset_s') Moon"},
            Refusal{"MessageNodeWithoutMessage", {{"mid_NotAccept", ""}, {"node_mid_NotAccept", "localhost"}},
                    "SES1: Not found Message::NodeID for (node='node_mid_NotAccept') localhost"},
            Refusal{"NoPowerSensor", {{"power_as", "Nothing"}}, "SES1: init power_as: sensor ID not found!",
                    "SES1: init power_as: sensor ID not found!(Nothing)"},
            Refusal{"NoVoltageSensor", {{"voltage_as", ""}}, "SES1: init voltage_as: sensor ID not found!",
                    "SES1: init voltage_as: sensor ID not found!()"},
            Refusal{"NoFrequencySensor", {{"frequency_as", "X"}}, "SES1: init frequency_as: sensor ID not found!"},
            Refusal{"OnTimeAbsent", {{"OnTime", ""}}, "SES1: init 'OnTime" + timeFailed,
                    "SES1: init 'OnTime" + timeFailed + ")"},
            Refusal{"FirstTimeInOrderNamed", {{"RunTime", "0"}, {"OnTime", "0"}}, "SES1: init 'OnTime" + timeFailed},
            Refusal{"CommandPauseNamedCmdPause", {{"CommandPause", "0"}}, "SES1: init 'CmdPause" + timeFailed},
            Refusal{"AskPauseAbsent", {{"askPause", ""}}, "SES1: init 'askPause" + timeFailed},
            Refusal{"LowLoadFilterOff", {{"Load20Time", "0"}}, "SES1: init 'Load20Time" + timeFailed},
            Refusal{"CoolingTimeNegative", {{"coolingTime", "-5"}}, "SES1: init 'coolingTime" + timeFailed},
            Refusal{"UnknownPost", {{"myPostID", "Nobody"}}, "SES1: unknown object ID for myPostID --> Nobody"},
            Refusal{"NumberNegative", {{"num", "-3"}}, "SES1: init num FAILED! (num=0)"},
            Refusal{"QGNodeMissing", {{"QG", "SES1_QGX"}}, "SES1: FAILED! SES1_QGX not found in conf!"},
            Refusal{"GeneratorNodeMissing", {{"Generator", "Nope"}}, "SES1: FAILED! Nope not found in conf!"},
            Refusal{"MonitorRefused", {{"Diesel", "SES1_Broken"}}, "(Diesel::init): Unknown ObjectID!",
                    "SES1(create SES1_Broken): (Diesel::init): Unknown ObjectID!"},
            Refusal{"PowerNegative", {{"power", "-1"}}, "SES1: init power < 0 ?? !!!"},
            Refusal{"ReservCountNegative", {{"ReservCount", "-1"}}, "SES1: ReservCount < 0 !!!! INIT FAILED",
                    "SES1: ReservCount < 0 !!!! INIT FAILED!!!"}),
        [](const auto& info) { return std::string(info.param.name); });
}

TEST(StationConstruction, NoStationWithoutAnObjectIdOrAnOwner)
{
    Builder b(Settings{});
    EXPECT_THROW(b.build("Nobody"), SystemError);
    try
    {
        SEES(0, "SES1", nullptr, b.world.cfg().getNode("SES1"));
        ADD_FAILURE() << "built without an owner";
    }
    catch (const Exception& ex)
    {
        EXPECT_EQ(ex.text, "SES1: init FAILED! no owner to report to");
    }
    EXPECT_THROW(SEES(), Exception);
}

TEST(StationConstruction, MissingSettingsThatHaveAFallback)
{
    Builder b({{"BlockedRunTime", "-1"}, {"resetPause", "0"}, {"initAttempts", "0"}, {"QGOnTime", ""},
               {"QGOffTime", ""}, {"DGProtectionStopTime", ""}, {"updateStateTime", ""}, {"Protection_BS", ""},
               {"mid_NotAccept", ""}});
    auto sut = b.build();
    EXPECT_EQ(sut->BlockedRunTime, 5000);
    EXPECT_EQ(sut->resetPause, 1500);
    EXPECT_EQ(sut->initAttempts, 3);
    EXPECT_EQ(sut->QGOnTime, 0);
    EXPECT_EQ(sut->updateStateTime, 0);
    EXPECT_EQ(sut->Protection_BS, DefaultObjectId);
}

struct PowerCase
{
    const char* name;
    const char* power;
    const char* kmax;
    int maxPower;
};

class StationMaxPower : public ::testing::TestWithParam<PowerCase>
{
};

TEST_P(StationMaxPower, IsPowerTimesKmaxRounded)
{
    const PowerCase& c = GetParam();
    Builder b(Settings{{"power", c.power}, {"kmax", c.kmax}});
    EXPECT_EQ(b.build()->maxPower, c.maxPower);
}

INSTANTIATE_TEST_SUITE_P(Kmax, StationMaxPower,
                         ::testing::Values(PowerCase{"Absent", "100", "", 100}, PowerCase{"Zero", "100", "0", 100},
                                           PowerCase{"Negative", "100", "-2", 100},
                                           PowerCase{"Fraction", "100", "1.25", 125},
                                           PowerCase{"HalfRoundsAwayFromZero", "2", "1.25", 3}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(StationConstruction, LeavesTheStationAsleepWithItsMonitorsAndOutputsOff)
{
    Builder b({}, {"test", "--ControlMode_f-default", "3", "--NotAlone_C-default", "1"});
    auto sut = b.build();

    EXPECT_EQ(sut->getName(), "SES1");
    EXPECT_EQ(sut->num, 3);
    EXPECT_EQ(sut->groupNum, 0);
    EXPECT_EQ(sut->currentMode()->getName(), "SEESSleepMode");
    const auto units = sut->getObjects();
    ASSERT_EQ(units.size(), 3u);
    EXPECT_EQ(units[0], sut->qg.get());
    EXPECT_EQ(units[1], sut->diesel.get());
    EXPECT_EQ(units[2], sut->generator.get());
    EXPECT_EQ(sut->out_ControlMode_f, 0);
    EXPECT_FALSE(sut->out_NotAlone_C);
    for (ObjectId out : {sut->DG_Start_C, sut->DG_Stop_C, sut->QG_On_C, sut->QG_Off_C})
    {
        const auto writes = b.world.store().writes();
        EXPECT_EQ(std::count_if(writes.begin(), writes.end(), [&](const auto& w) { return w.id == out && w.value == 0; }),
                  1);
    }
    for (int id : {tmRun, tmOff, tmQG, tmCooling})
        EXPECT_EQ(sut->getTimeInterval(id), 0);
}

TEST(StationConstruction, PrintsTheIdsOfItsSensorsAndMessages)
{
    auto lines = [](const Settings& settings) {
        Builder b(settings, {"test", "--print-id-list"});
        ::testing::internal::CaptureStdout();
        b.build();
        std::istringstream out(::testing::internal::GetCapturedStdout());
        int count = 0;
        for (std::string line; std::getline(out, line);)
            count += line.rfind("id:", 0) == 0;
        return count;
    };
    // 40 sensors and 31 messages, then the four sensors of the unit monitors it builds.
    EXPECT_EQ(lines({}), 71 + 4);
    EXPECT_EQ(lines({{"Protection_BS", ""}}), 70 + 4);
}

// The bench's four stations build, and station 1 is wired to the signals mendra
// simulates: one physical signal is one sensor.
TEST(StationConstruction, TheBenchStationsBuildOnTheSimulatorsSignals)
{
    testing_support::TestWorld world(testing_support::benchConfigurationBody());
    RecordingOwner owner;
    std::vector<std::unique_ptr<SEES>> stations;
    for (int n = 1; n <= 4; ++n)
    {
        const std::string name = "SES" + std::to_string(n);
        ASSERT_NO_THROW(stations.push_back(std::make_unique<SEES>(0, name, &owner, world.cfg().getNode(name))))
            << name;
        EXPECT_EQ(stations.back()->num, n);
    }
    const SEES& ses1 = *stations[0];
    auto id = [&](const char* name) { return world.cfg().getSensorID(name); };
    EXPECT_EQ(ses1.state_as, id("SES1_sees_state_as"));
    EXPECT_EQ(ses1.DG_Start_C, id("SES1_DG_Start_C"));
    EXPECT_EQ(ses1.DG_Stop_C, id("SES1_DG_Stop_C"));
    EXPECT_EQ(ses1.QG_On_C, id("SES1_QG_On_C"));
    EXPECT_EQ(ses1.QG_Off_C, id("SES1_QG_Off_C"));
    EXPECT_EQ(ses1.Reset_C, id("SES1_Reset_C"));
    EXPECT_EQ(ses1.QG_RemoteControl_s, id("SES1_QG_RemoteControl_S"));
    EXPECT_EQ(ses1.Overload95_S, id("SES1_Overload95_S"));
    EXPECT_EQ(ses1.NoPower_S, id("Section1_NoPower_S"));
    EXPECT_EQ(stations[2]->NoPower_S, id("Section2_NoPower_S"));
    EXPECT_EQ(ses1.power_as, id("SES1_P_as"));
    EXPECT_EQ(ses1.voltage_as, id("SES1_DG_U_as"));
    // The control switches' proposal is the control value the modes act on.
    EXPECT_EQ(ses1.CtlMode_f, ses1.ControlMode_f);
    EXPECT_EQ(ses1.qg->state_as, id("SES1_qg_state_as"));
}
