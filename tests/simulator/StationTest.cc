// The station simulator on the bench's own configuration: each command to its timer
// and its feedback, as the station control and a person at the bench would see it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <limits>

#include "Configuration.h"
#include "SimulatorBench.h"
#include "Store.h"

using namespace std::chrono_literals;
using simtest::Bench;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

namespace
{
    struct Feedback
    {
        long qgOn, qgOff, qgState, seesState;
    };

    Feedback feedback(Bench& bench)
    {
        return {bench.get("SES1_QG_On_S"), bench.get("SES1_QG_Off_S"), bench.get("SES1_qg_state_as"),
                bench.get("SES1_sees_state_as")};
    }

    void expectFeedback(Bench& bench, const Feedback& want, const std::string& when)
    {
        const Feedback got = feedback(bench);
        EXPECT_EQ(got.qgOn, want.qgOn) << when << ": QG_On_S";
        EXPECT_EQ(got.qgOff, want.qgOff) << when << ": QG_Off_S";
        EXPECT_EQ(got.qgState, want.qgState) << when << ": qg_state_as";
        EXPECT_EQ(got.seesState, want.seesState) << when << ": sees_state_as";
    }
}

TEST(StationStartTest, PublishesAnOpenBreakerAndNothingElse)
{
    Bench bench;

    EXPECT_EQ(bench.get("SES1_QG_Off_S"), 1);
    for (const char* s : {"SES1_QG_On_S", "SES1_ReadyForLoading_S", "SES1_QG_Protection_L", "SES1_SEES_Protection_L",
                          "SES1_P_as", "SES1_DG_U_as", "SES1_sees_state_as", "SES1_qg_state_as"})
        EXPECT_EQ(bench.get(s), 0) << s;
    EXPECT_EQ(bench.get("GRSH_NoPower_s"), 1);
    EXPECT_EQ(bench.get("GRSH_QC_Off_S"), 1);
}

TEST(StationStartTest, StartRunsTheEngineAfterThreeSecondsAndRampsTheVoltage)
{
    Bench bench;

    bench.command("SES1_DG_Start_C");
    EXPECT_EQ(bench.get("SES1_sees_state_as"), 4);
    EXPECT_EQ(bench.get("SES1_diesel_state_as"), 4);

    bench.run(2990ms);
    EXPECT_EQ(bench.get("SES1_EngineRunning_S"), 0);
    bench.run(10ms);
    EXPECT_EQ(bench.get("SES1_EngineRunning_S"), 1);
    EXPECT_EQ(bench.get("SES1_ReadyForLoading_S"), 1);
    EXPECT_EQ(bench.get("SES1_diesel_state_as"), 1);
    EXPECT_EQ(bench.get("SES1_generator_state_as"), 4);
    EXPECT_EQ(bench.get("SES1_sees_state_as"), 4);

    bench.run(1100ms);
    const std::vector<long> ramp = bench.written("SES1_DG_U_as");
    ASSERT_EQ(ramp.size(), 21u);
    EXPECT_EQ(ramp.front(), 1);
    EXPECT_EQ(ramp[ramp.size() - 2], 381);
    EXPECT_EQ(ramp.back(), 380);
    EXPECT_EQ(bench.get("SES1_generator_state_as"), 1);
    EXPECT_EQ(bench.get("SES1_sees_state_as"), 9);
}

TEST(StationStartTest, StopDuringTheRampLeavesNoVoltage)
{
    Bench bench;
    bench.command("SES1_DG_Start_C");
    bench.run(3200ms);

    bench.command("SES1_DG_Stop_C");
    bench.run(500ms);

    EXPECT_EQ(bench.get("SES1_DG_U_as"), 0);
    EXPECT_EQ(bench.get("SES1_sees_state_as"), 4);
}

// ---- the breaker commands, each to its timer

struct BreakerCommandCase
{
    std::string name;
    bool fromClosed;
    std::string command;
    std::chrono::milliseconds delay;
    Feedback done;
    friend void PrintTo(const BreakerCommandCase& c, std::ostream* os) { *os << c.name; }
};

class BreakerCommandTest : public ::testing::TestWithParam<BreakerCommandCase>
{
};

TEST_P(BreakerCommandTest, ReportsTransitionThenTheNewPositionAfterItsDelay)
{
    const BreakerCommandCase& c = GetParam();
    Bench bench;
    if (c.fromClosed)
        bench.closeBreaker(1);
    else
        bench.startSet(1);
    const Feedback before = feedback(bench);

    bench.command(c.command);
    expectFeedback(bench, {before.qgOn, before.qgOff, 4, 4}, "at once");
    bench.run(c.delay - 10ms);
    expectFeedback(bench, {before.qgOn, before.qgOff, 4, 4}, "just before the delay");
    bench.run(10ms);
    expectFeedback(bench, c.done, "after the delay");
}

INSTANTIATE_TEST_SUITE_P(
    Commands, BreakerCommandTest,
    ::testing::Values(BreakerCommandCase{"Close", false, "SES1_QG_On_C", 500ms, {1, 0, 1, 1}},
                      BreakerCommandCase{"CloseThroughTheSynchroniser", false, "SES1_QG_SyncOn_C", 3000ms, {1, 0, 1, 1}},
                      BreakerCommandCase{"Open", true, "SES1_QG_Off_C", 500ms, {0, 1, 0, 9}}),
    [](const auto& info) { return info.param.name; });

TEST(BreakerTest, WithoutRemoteControlTheCommandsAreIgnored)
{
    Bench bench;
    bench.startSet(1);
    bench.set("SES1_QG_RemoteControl_S", 0);
    EXPECT_EQ(bench.get("SES1_QG_LocalControl_S"), 1);

    bench.command("SES1_QG_On_C");
    bench.run(600ms);

    expectFeedback(bench, {0, 1, 0, 9}, "after the close command");
}

TEST(BreakerTest, OpeningTakesTheSetsPowerOff)
{
    Bench bench;
    bench.set("GEU_Power_s", 400);
    bench.closeBreaker(1);
    EXPECT_EQ(bench.get("SES1_P_as"), 400);

    bench.command("SES1_QG_Off_C");
    bench.run(500ms);

    EXPECT_EQ(bench.get("SES1_P_as"), 0);
}

// ---- power sharing

struct PowerCase
{
    std::string name;
    std::string breakerCommand;   // after closing: none, or a command left under way or done
    long power;
    long count;
    long expected;   // -1: the power stays as it was
    friend void PrintTo(const PowerCase& c, std::ostream* os) { *os << c.name; }
};

class PowerSharingTest : public ::testing::TestWithParam<PowerCase>
{
};

TEST_P(PowerSharingTest, TheClosedSetCarriesItsShareOfThePlantLoad)
{
    const PowerCase& c = GetParam();
    Bench bench;
    bench.set("GEU_Power_s", 600);
    bench.closeBreaker(1);
    ASSERT_EQ(bench.get("SES1_P_as"), 600);
    if (!c.breakerCommand.empty())
    {
        bench.command(c.breakerCommand);
        bench.run(200ms);
    }
    const long before = bench.get("SES1_P_as");

    bench.set("GRSH_QG_count_as", c.count);
    bench.set("GEU_Power_s", c.power);

    EXPECT_EQ(bench.get("SES1_P_as"), c.expected < 0 ? before : c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Loads, PowerSharingTest,
    ::testing::Values(PowerCase{"NegativeLoadOverThreeBreakers", "", -1000, 3, 333},
                      PowerCase{"CountOfZeroKeepsThePower", "", 900, 0, -1},
                      PowerCase{"BreakerBeingOpenedKeepsThePower", "SES1_QG_Off_C", 900, 2, -1},
                      // Far beyond any plant: only that nothing is undefined.
                      PowerCase{"MostNegativeLoadCountsAsTheLargest", "", std::numeric_limits<long>::min(), 2,
                                std::numeric_limits<long>::max() / 2}),
    [](const auto& info) { return info.param.name; });

// ---- stop

TEST(StopTest, StoppedSetOpensItsBreakerAndGivesNoPower)
{
    Bench bench;
    bench.set("GEU_Power_s", 300);
    bench.closeBreaker(1);

    bench.command("SES1_DG_Stop_C");
    EXPECT_EQ(bench.get("SES1_DG_U_as"), 0);
    EXPECT_EQ(bench.get("SES1_P_as"), 0);
    EXPECT_EQ(bench.get("SES1_diesel_state_as"), 4);
    EXPECT_EQ(bench.get("SES1_sees_state_as"), 4);
    bench.run(6000ms);

    expectFeedback(bench, {0, 1, 0, 0}, "after the stop");
    EXPECT_EQ(bench.get("SES1_EngineRunning_S"), 0);
    EXPECT_EQ(bench.get("SES1_ReadyForLoading_S"), 0);
    EXPECT_EQ(bench.get("SES1_diesel_state_as"), 0);
    EXPECT_EQ(bench.get("SES1_generator_state_as"), 0);
    EXPECT_EQ(bench.get("SES1_P_as"), 0);
    EXPECT_EQ(bench.get("GRSH_QG_count_as"), 0);
}

TEST(StopTest, StopCancelsAPendingClose)
{
    Bench bench;
    bench.startSet(1);

    bench.command("SES1_QG_SyncOn_C");
    bench.command("SES1_DG_Stop_C");
    bench.run(7000ms);

    EXPECT_THAT(bench.written("SES1_QG_On_S"), Not(Contains(1))) << "the breaker closed on a stopping set";
    expectFeedback(bench, {0, 1, 0, 0}, "after the stop");
}

// ---- unloading and overload signals

TEST(DischargeTest, ClearsThe95SignalAtOnceThenPulsesThe20Signal)
{
    Bench bench;
    bench.startSet(1);
    bench.set("SES1_Overload95_Cmd_S", 1);
    EXPECT_EQ(bench.get("SES1_Overload95_S"), 1);

    bench.command("SES1_DG_Discharge_C");
    EXPECT_EQ(bench.get("SES1_Overload95_S"), 0);
    bench.run(2890ms);   // the command's own pause counts too
    EXPECT_EQ(bench.get("SES1_Overload20_S"), 0);
    bench.run(20ms);
    EXPECT_EQ(bench.get("SES1_Overload20_S"), 1);
    bench.run(3000ms);
    EXPECT_EQ(bench.get("SES1_Overload20_S"), 0);
}

TEST(DischargeTest, OverloadCommandsSetTheirSignals)
{
    Bench bench;

    bench.set("SES1_Overload20_Cmd_S", 1);
    bench.set("SES1_Overload105_Cmd_S", 1);

    EXPECT_EQ(bench.get("SES1_Overload20_S"), 1);
    EXPECT_EQ(bench.get("SES1_Overload105_S"), 1);
    EXPECT_EQ(bench.get("SES1_AlarmStop_S"), 1);
}

// ---- breaker protection and reset

TEST(ProtectionTest, TripOpensTheBreakerAtOnceAndLatchesBothFlags)
{
    Bench bench;
    bench.set("GEU_Power_s", 300);
    bench.closeBreaker(1);

    bench.set("SES1_QG_Protection_S", 1);
    expectFeedback(bench, {0, 1, 2, 2}, "at the trip");
    EXPECT_EQ(bench.get("SES1_P_as"), 0);
    EXPECT_EQ(bench.get("SES1_QG_Protection_L"), 1);
    EXPECT_EQ(bench.get("SES1_SEES_Protection_L"), 1);
    EXPECT_EQ(bench.get("GRSH_QG_count_as"), 0);

    bench.run(500ms);
    expectFeedback(bench, {0, 1, 2, 2}, "after the breaker reported open, the trip standing");
    EXPECT_EQ(bench.get("SES1_QG_Protection_L"), 1);
    EXPECT_EQ(bench.get("SES1_SEES_Protection_L"), 1);
}

TEST(ProtectionTest, ResetClearsTheFlagsOnceTheCauseIsGoneHoweverLate)
{
    Bench bench;
    bench.closeBreaker(1);
    bench.set("SES1_QG_ROM_Protection_S", 1);
    bench.run(2000ms);

    bench.command("SES1_Reset_C");
    EXPECT_EQ(bench.get("SES1_QG_Protection_L"), 1) << "cleared while the protection is still on";

    bench.set("SES1_QG_ROM_Protection_S", 0);
    bench.command("SES1_Reset_C");
    EXPECT_EQ(bench.get("SES1_QG_Protection_L"), 0);
    EXPECT_EQ(bench.get("SES1_SEES_Protection_L"), 0);
    expectFeedback(bench, {0, 1, 0, 9}, "after the reset");
}

TEST(ProtectionTest, ResetBeforeTheBreakerReportsOpenEndsTheProtectionState)
{
    Bench bench;
    bench.closeBreaker(1);
    bench.set("SES1_QG_Protection_S", 1);
    bench.set("SES1_QG_Protection_S", 0);

    bench.command("SES1_Reset_C");

    expectFeedback(bench, {0, 1, 0, 9}, "after the reset");
    EXPECT_EQ(bench.get("SES1_QG_Protection_L"), 0);
    EXPECT_EQ(bench.get("SES1_SEES_Protection_L"), 0);
}

// ---- a trip that stands

struct StandingTripCase
{
    std::string name;
    bool running;                         // the set running, breaker closed; else stopped
    std::string protection;               // the input that trips and is later cleared
    std::chrono::milliseconds standing;   // from the trip to the clear
    long settledState;                    // the set's code once the trip has cleared
    friend void PrintTo(const StandingTripCase& c, std::ostream* os) { *os << c.name; }
};

class StandingTripTest : public ::testing::TestWithParam<StandingTripCase>
{
};

TEST_P(StandingTripTest, StateCodesShowTheTripUntilItsInputClears)
{
    const StandingTripCase& c = GetParam();
    Bench bench;
    if (c.running)
        bench.closeBreaker(1);

    bench.set(c.protection, 1);
    bench.run(c.standing);
    expectFeedback(bench, {0, 1, 2, 2}, "while the trip stands");
    bench.command("SES1_Reset_C");
    expectFeedback(bench, {0, 1, 2, 2}, "after a reset while the trip stands");
    EXPECT_EQ(bench.get("SES1_QG_Protection_L"), 1);
    EXPECT_EQ(bench.get("SES1_SEES_Protection_L"), 1);

    bench.set(c.protection, 0);
    bench.run(500ms);   // the open report, where it was still due
    expectFeedback(bench, {0, 1, 0, c.settledState}, "after the trip cleared");
    EXPECT_EQ(bench.get("SES1_QG_Protection_L"), 1) << "the lamp went out without a reset";
    EXPECT_EQ(bench.get("SES1_SEES_Protection_L"), 1);

    bench.command("SES1_Reset_C");
    expectFeedback(bench, {0, 1, 0, c.settledState}, "after the reset");
    EXPECT_EQ(bench.get("SES1_QG_Protection_L"), 0);
    EXPECT_EQ(bench.get("SES1_SEES_Protection_L"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Trips, StandingTripTest,
    ::testing::Values(StandingTripCase{"RunningSetProtection", true, "SES1_QG_Protection_S", 5000ms, 9},
                      StandingTripCase{"RunningSetRomProtection", true, "SES1_QG_ROM_Protection_S", 5000ms, 9},
                      StandingTripCase{"StoppedSetProtection", false, "SES1_QG_Protection_S", 5000ms, 0},
                      // The open report still due when the trip clears: it settles the codes.
                      StandingTripCase{"ClearedBeforeTheOpenReport", true, "SES1_QG_Protection_S", 200ms, 9}),
    [](const auto& info) { return info.param.name; });

struct CommandUnderTripCase
{
    std::string name;
    bool running;         // the set running, breaker closed; else stopped
    std::string command;
    bool clearedFirst;    // the trip's input clears before its open report, and then the command comes
    Feedback after;
    long dieselAfter;
    friend void PrintTo(const CommandUnderTripCase& c, std::ostream* os) { *os << c.name; }
};

class CommandUnderTripTest : public ::testing::TestWithParam<CommandUnderTripCase>
{
};

// Whoever reads the codes while the trip stands, at any moment, reads protection.
TEST_P(CommandUnderTripTest, LeavesTheCodesAsTheTripsInputSays)
{
    const CommandUnderTripCase& c = GetParam();
    Bench bench;
    if (c.running)
        bench.closeBreaker(1);
    bench.set("SES1_QG_Protection_S", 1);
    if (c.clearedFirst)
    {
        bench.run(200ms);
        bench.set("SES1_QG_Protection_S", 0);
    }
    else
        bench.run(500ms);
    const std::array<std::string, 2> codes{"SES1_qg_state_as", "SES1_sees_state_as"};
    std::array<size_t, 2> marks{};
    for (size_t i = 0; i < codes.size(); ++i)
        marks[i] = bench.written(codes[i]).size();

    bench.command(c.command);
    bench.run(7000ms);   // past every delay the command starts, a start's ramp among them

    if (!c.clearedFirst)
        for (size_t i = 0; i < codes.size(); ++i)
        {
            const std::vector<long> all = bench.written(codes[i]);
            const std::vector<long> since(all.begin() + static_cast<std::ptrdiff_t>(marks[i]), all.end());
            EXPECT_THAT(since, ::testing::Each(2)) << codes[i] << " while the trip stands";
        }
    expectFeedback(bench, c.after, "after the command");
    EXPECT_EQ(bench.get("SES1_diesel_state_as"), c.dieselAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CommandUnderTripTest,
    ::testing::Values(CommandUnderTripCase{"Open", true, "SES1_QG_Off_C", false, {0, 1, 2, 2}, 1},
                      CommandUnderTripCase{"StartAndItsEnd", false, "SES1_DG_Start_C", false, {0, 1, 2, 2}, 1},
                      CommandUnderTripCase{"Stop", true, "SES1_DG_Stop_C", false, {0, 1, 2, 2}, 0},
                      // The discharge cancels the open report that was to settle the codes.
                      CommandUnderTripCase{"DischargeAfterATripClearedBeforeItsOpenReport", true,
                                           "SES1_DG_Discharge_C", true, {0, 1, 0, 9}, 1}),
    [](const auto& info) { return info.param.name; });

// ---- a breaker held open by its protection

const std::string refusal = "SEES1Imitator: QG close refused, protection on\n";

struct StandingProtectionCase
{
    std::string name;
    std::string protection;   // the input left on; empty: none
    std::string command;
    std::chrono::milliseconds delay;
    Feedback after;
    friend void PrintTo(const StandingProtectionCase& c, std::ostream* os) { *os << c.name; }
};

class StandingProtectionTest : public ::testing::TestWithParam<StandingProtectionCase>
{
};

TEST_P(StandingProtectionTest, CloseCommandActsOnlyWithoutIt)
{
    const StandingProtectionCase& c = GetParam();
    Bench bench;
    bench.startSet(1);
    if (!c.protection.empty())
    {
        bench.set(c.protection, 1);
        bench.run(500ms);   // the trip's open report is over: only the standing input holds the codes
    }

    ::testing::internal::CaptureStdout();
    bench.command(c.command);
    bench.run(c.delay + 100ms);
    const std::string trace = ::testing::internal::GetCapturedStdout();

    expectFeedback(bench, c.after, "after the command's delay");
    if (c.protection.empty())
        EXPECT_THAT(trace, Not(HasSubstr(refusal)));
    else
    {
        EXPECT_THAT(bench.written("SES1_QG_On_S"), Not(Contains(1))) << "closed under a standing protection";
        EXPECT_THAT(trace, HasSubstr(refusal));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, StandingProtectionTest,
    ::testing::Values(
        StandingProtectionCase{"ProtectionRefusesClose", "SES1_QG_Protection_S", "SES1_QG_On_C", 500ms, {0, 1, 2, 2}},
        StandingProtectionCase{"ProtectionRefusesSyncClose", "SES1_QG_Protection_S", "SES1_QG_SyncOn_C", 3000ms,
                               {0, 1, 2, 2}},
        StandingProtectionCase{"RomProtectionRefusesClose", "SES1_QG_ROM_Protection_S", "SES1_QG_On_C", 500ms,
                               {0, 1, 2, 2}},
        StandingProtectionCase{"RomProtectionRefusesSyncClose", "SES1_QG_ROM_Protection_S", "SES1_QG_SyncOn_C",
                               3000ms, {0, 1, 2, 2}},
        StandingProtectionCase{"NoneClose", "", "SES1_QG_On_C", 500ms, {1, 0, 1, 1}},
        StandingProtectionCase{"NoneSyncClose", "", "SES1_QG_SyncOn_C", 3000ms, {1, 0, 1, 1}}),
    [](const auto& info) { return info.param.name; });

struct TripDuringCloseCase
{
    std::string name;
    std::string protection;
    std::string command;
    std::chrono::milliseconds tripAfter;   // from the command
    friend void PrintTo(const TripDuringCloseCase& c, std::ostream* os) { *os << c.name; }
};

class TripDuringCloseTest : public ::testing::TestWithParam<TripDuringCloseCase>
{
};

TEST_P(TripDuringCloseTest, TheCloseUnderWayNeverCompletes)
{
    const TripDuringCloseCase& c = GetParam();
    Bench bench;
    bench.startSet(1);
    bench.command(c.command);

    bench.passTime(c.tripAfter);
    bench.set(c.protection, 1);
    bench.run(3500ms);

    EXPECT_THAT(bench.written("SES1_QG_On_S"), Not(Contains(1))) << "the breaker closed after the trip";
    expectFeedback(bench, {0, 1, 2, 2}, "after the trip, which stands");
}

INSTANTIATE_TEST_SUITE_P(
    Trips, TripDuringCloseTest,
    ::testing::Values(
        TripDuringCloseCase{"ProtectionHalfwayThroughClose", "SES1_QG_Protection_S", "SES1_QG_On_C", 250ms},
        TripDuringCloseCase{"RomProtectionHalfwayThroughSyncClose", "SES1_QG_ROM_Protection_S", "SES1_QG_SyncOn_C",
                            1500ms},
        // The trip's message is queued before the close timer's expiry.
        TripDuringCloseCase{"ProtectionAsTheCloseFallsDue", "SES1_QG_Protection_S", "SES1_QG_On_C", 500ms}),
    [](const auto& info) { return info.param.name; });

TEST(TripClearedDuringCloseTest, OnAndOffInOnePassAsTheCloseFallsDueLeaveTheBreakerOpen)
{
    Bench bench;
    bench.startSet(1);
    bench.command("SES1_QG_On_C");

    // Both of the input's messages are queued before the close timer's expiry; the
    // trip has cancelled that timer by the time its expiry is handled.
    bench.passTime(500ms);
    const UniSetTypes::ObjectId protection = UniSetTypes::conf->getSensorID("SES1_QG_Protection_S");
    uniset::store().setValue(protection, 1, UniSetTypes::DefaultObjectId);
    uniset::store().setValue(protection, 0, UniSetTypes::DefaultObjectId);
    bench.run(1000ms);

    EXPECT_THAT(bench.written("SES1_QG_On_S"), Not(Contains(1))) << "the breaker closed after the trip";
    expectFeedback(bench, {0, 1, 0, 9}, "after the trip's open report, the input clear");
}

// ---- emergency stop of the diesel

TEST(EmergencyStopTest, AnyAlarmStopsEverythingAtOnce)
{
    Bench bench;
    bench.set("GEU_Power_s", 300);
    bench.closeBreaker(1);

    bench.set("SES1_Oil_BelowMinPressure_S", 1);

    expectFeedback(bench, {0, 1, 0, 2}, "at the alarm");
    EXPECT_EQ(bench.get("SES1_diesel_state_as"), 2);
    EXPECT_EQ(bench.get("SES1_generator_state_as"), 0);
    EXPECT_EQ(bench.get("SES1_AlarmStop_S"), 1);
    EXPECT_EQ(bench.get("SES1_EngineRunning_S"), 0);
    EXPECT_EQ(bench.get("SES1_DG_U_as"), 0);
    EXPECT_EQ(bench.get("SES1_P_as"), 0);
    EXPECT_EQ(bench.get("SES1_SEES_Protection_L"), 1);
}

TEST(EmergencyStopTest, EndsOnlyWhenTheLastAlarmClears)
{
    Bench bench;
    bench.startSet(1);
    bench.set("SES1_Oil_BelowMinPressure_S", 1);
    bench.set("SES1_MaxPossibleRotation_S", 1);

    bench.set("SES1_Oil_BelowMinPressure_S", 0);
    EXPECT_EQ(bench.get("SES1_sees_state_as"), 2);
    EXPECT_EQ(bench.get("SES1_AlarmStop_S"), 1);

    bench.set("SES1_MaxPossibleRotation_S", 0);
    EXPECT_EQ(bench.get("SES1_sees_state_as"), 0);
    EXPECT_EQ(bench.get("SES1_diesel_state_as"), 0);
    EXPECT_EQ(bench.get("SES1_AlarmStop_S"), 0);
}

TEST(EmergencyStopTest, ResetClearsTheStationFlagOnlyAfterTheAlarm)
{
    Bench bench;
    bench.startSet(1);
    bench.set("SES1_Overload105_Cmd_S", 1);

    bench.command("SES1_Reset_C");
    EXPECT_EQ(bench.get("SES1_SEES_Protection_L"), 1);
    EXPECT_EQ(bench.get("SES1_sees_state_as"), 2);

    bench.set("SES1_Overload105_Cmd_S", 0);
    bench.command("SES1_Reset_C");
    EXPECT_EQ(bench.get("SES1_SEES_Protection_L"), 0);
    EXPECT_EQ(bench.get("SES1_sees_state_as"), 0);
}

TEST(EmergencyStopTest, AnAlarmInputThatClearsNothingLeavesARunningSetAlone)
{
    Bench bench;
    bench.closeBreaker(1);

    // The value a fresh ask delivers: no alarm, as before.
    const UniSetTypes::SensorMessage quiet(bench.station(1).Overload105_Cmd_S, 0, UniversalIO::DigitalOutput);
    bench.station(1).sensorInfo(&quiet);
    bench.settle();

    expectFeedback(bench, {1, 0, 1, 1}, "after the message");
    EXPECT_EQ(bench.get("SES1_diesel_state_as"), 1);
    EXPECT_EQ(bench.get("SES1_generator_state_as"), 1);
}

struct TripAndAlarmCase
{
    std::string name;
    std::string clearedFirst, clearedLast;
    Feedback between;   // the first cleared, the last standing
    friend void PrintTo(const TripAndAlarmCase& c, std::ostream* os) { *os << c.name; }
};

class TripAndAlarmTest : public ::testing::TestWithParam<TripAndAlarmCase>
{
};

TEST_P(TripAndAlarmTest, TheSetShowsProtectionUntilBothHaveCleared)
{
    const TripAndAlarmCase& c = GetParam();
    Bench bench;
    bench.closeBreaker(1);
    bench.set("SES1_QG_Protection_S", 1);
    bench.set("SES1_Oil_BelowMinPressure_S", 1);
    bench.run(1000ms);
    expectFeedback(bench, {0, 1, 2, 2}, "both standing");

    bench.set(c.clearedFirst, 0);
    expectFeedback(bench, c.between, "one cleared");
    bench.set(c.clearedLast, 0);

    expectFeedback(bench, {0, 1, 0, 0}, "both cleared");
    EXPECT_EQ(bench.get("SES1_diesel_state_as"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Orders, TripAndAlarmTest,
    ::testing::Values(
        TripAndAlarmCase{"AlarmClearsFirst", "SES1_Oil_BelowMinPressure_S", "SES1_QG_Protection_S", {0, 1, 2, 2}},
        TripAndAlarmCase{"TripClearsFirst", "SES1_QG_Protection_S", "SES1_Oil_BelowMinPressure_S", {0, 1, 0, 2}}),
    [](const auto& info) { return info.param.name; });

TEST(EmergencyStopTest, CancelsAPendingClose)
{
    Bench bench;
    bench.startSet(1);
    bench.command("SES1_QG_On_C");

    bench.set("SES1_MaxPossibleRotation_S", 1);
    bench.run(600ms);

    EXPECT_THAT(bench.written("SES1_QG_On_S"), Not(Contains(1))) << "the breaker closed on a stopped set";
    EXPECT_EQ(bench.get("SES1_sees_state_as"), 2);
}

// ---- termination

TEST(TerminationTest, PublishesTheSafeOutputsAndStopsTheLoop)
{
    Bench bench;
    bench.closeBreaker(1);

    bench.station(1).sigterm(SIGTERM);
    bench.settle();

    EXPECT_EQ(bench.get("SES1_QG_On_S"), 0);
    EXPECT_EQ(bench.get("SES1_QG_Off_S"), 0) << "a later pass put the breaker outputs back";
    EXPECT_EQ(bench.get("SES1_DG_U_as"), 0);
    EXPECT_EQ(bench.get("SES1_P_as"), 0);
    EXPECT_EQ(bench.get("SES1_EngineRunning_S"), 0);
    EXPECT_EQ(bench.get("SES1_ReadyForLoading_S"), 0);
}
