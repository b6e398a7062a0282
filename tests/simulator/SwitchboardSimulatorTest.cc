// The main-switchboard simulator: the supply from the qglist, the bus-tie breaker's
// commands and protection, and the count of closed generator breakers.
#include <gtest/gtest.h>

#include "SimulatorBench.h"

using namespace std::chrono_literals;
using simtest::Bench;

TEST(SupplyTest, SwitchboardHasPowerWhileAnyListedSignalIsOn)
{
    Bench bench;

    bench.set("SES1_QG_On_S", 1);
    bench.set("SES3_QG_On_S", 1);
    EXPECT_EQ(bench.get("GRSH_NoPower_s"), 0);
    bench.set("SES1_QG_On_S", 0);
    EXPECT_EQ(bench.get("GRSH_NoPower_s"), 0);
    bench.set("SES3_QG_On_S", 0);
    EXPECT_EQ(bench.get("GRSH_NoPower_s"), 1);
}

TEST(SupplyTest, AClosedGeneratorBreakerPowersTheSwitchboard)
{
    Bench bench;

    bench.closeBreaker(2);

    EXPECT_EQ(bench.get("GRSH_NoPower_s"), 0);
    EXPECT_EQ(bench.get("GRSH_QG_count_as"), 1);
}

// ---- the bus-tie breaker QC

struct QCCommandCase
{
    std::string name;
    bool fromClosed;
    std::string sensor;
    long value;
    std::chrono::milliseconds delay;
    long closedAfter;
    friend void PrintTo(const QCCommandCase& c, std::ostream* os) { *os << c.name; }
};

class QCCommandTest : public ::testing::TestWithParam<QCCommandCase>
{
};

TEST_P(QCCommandTest, BreakerMovesAfterItsDelay)
{
    const QCCommandCase& c = GetParam();
    Bench bench;
    if (c.fromClosed)
    {
        bench.set("GRSH_ImitatorCmd_s", 2);
        bench.run(500ms);
        ASSERT_EQ(bench.get("GRSH_QC_On_S"), 1);
    }
    const long before = bench.get("GRSH_QC_On_S");

    bench.set(c.sensor, c.value);
    bench.run(c.delay - 10ms);
    EXPECT_EQ(bench.get("GRSH_QC_On_S"), before) << "moved before its delay";
    bench.run(10ms);

    EXPECT_EQ(bench.get("GRSH_QC_On_S"), c.closedAfter);
    EXPECT_EQ(bench.get("GRSH_QC_Off_S"), 1 - c.closedAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, QCCommandTest,
    ::testing::Values(QCCommandCase{"Close", false, "GRSH_QC_On_C", 1, 500ms, 1},
                      QCCommandCase{"CloseThroughTheSynchroniser", false, "GRSH_QC_SyncOn_C", 1, 2000ms, 1},
                      QCCommandCase{"Open", true, "GRSH_QC_Off_C", 1, 500ms, 0},
                      QCCommandCase{"BenchWordTwoCloses", false, "GRSH_ImitatorCmd_s", 2, 500ms, 1},
                      QCCommandCase{"BenchWordOneOpens", true, "GRSH_ImitatorCmd_s", 1, 500ms, 0},
                      QCCommandCase{"BenchWordThreeDoesNothing", false, "GRSH_ImitatorCmd_s", 3, 2000ms, 0}),
    [](const auto& info) { return info.param.name; });

TEST(QCProtectionTest, TripOpensAtOnceAndCancelsAPendingClose)
{
    Bench bench;
    bench.set("GRSH_QC_On_C", 1);
    bench.run(200ms);

    bench.set("GRSH_QC_Protection_S", 1);
    bench.run(1000ms);

    EXPECT_EQ(bench.get("GRSH_QC_On_S"), 0) << "closed in spite of its protection";
    EXPECT_EQ(bench.get("GRSH_QC_Off_S"), 1);
}

TEST(QCProtectionTest, TripOpensAClosedBreakerAtOnce)
{
    Bench bench;
    bench.set("GRSH_QC_On_C", 1);
    bench.run(500ms);

    bench.set("GRSH_QC_Protection_S", 1);

    EXPECT_EQ(bench.get("GRSH_QC_On_S"), 0);
    EXPECT_EQ(bench.get("GRSH_QC_Off_S"), 1);
}

TEST(QCProtectionTest, UnderProtectionCloseCommandsAreRefusedAndOpenIsObeyed)
{
    Bench bench;
    bench.set("GRSH_QC_Protection_S", 1);

    bench.set("GRSH_QC_On_C", 1);
    bench.set("GRSH_QC_SyncOn_C", 1);
    bench.set("GRSH_ImitatorCmd_s", 2);
    bench.run(2500ms);
    EXPECT_EQ(bench.get("GRSH_QC_On_S"), 0);

    bench.set("GRSH_QC_Off_C", 1);
    bench.run(500ms);
    EXPECT_EQ(bench.get("GRSH_QC_Off_S"), 1);
}

// ---- the count of closed generator breakers

struct CountCase
{
    std::string name;
    std::vector<std::pair<int, long>> reports;   // breaker 1..4, its state code
    long expected;
    friend void PrintTo(const CountCase& c, std::ostream* os) { *os << c.name; }
};

class BreakerCountTest : public ::testing::TestWithParam<CountCase>
{
};

TEST_P(BreakerCountTest, CountsTheBreakersWhoseLastCodeIsClosed)
{
    Bench bench;
    GRSHImitator& sut = bench.switchboard();
    const UniSetTypes::ObjectId breakers[] = {sut.QG1_State_as, sut.QG2_State_as, sut.QG3_State_as, sut.QG4_State_as};

    // Handed over directly: a report that repeats a value reaches the object only on a new ask.
    for (const auto& [breaker, code] : GetParam().reports)
    {
        const UniSetTypes::SensorMessage sm(breakers[breaker - 1], code, UniversalIO::AnalogInput);
        sut.sensorInfo(&sm);
    }

    EXPECT_EQ(sut.out_QG_count_as, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Reports, BreakerCountTest,
    ::testing::Values(CountCase{"TripThenOpenCountsOnce", {{1, 1}, {2, 1}, {1, 2}, {1, 0}}, 1},
                      CountCase{"RepeatedClosedCountsOnce", {{1, 1}, {1, 1}}, 1},
                      CountCase{"AllFourAndOneMore", {{1, 1}, {2, 1}, {3, 1}, {4, 1}, {4, 1}}, 4},
                      CountCase{"OpenWhenNoneIsClosed", {{3, 0}}, 0},
                      CountCase{"TripWhileOpen", {{1, 1}, {2, 0}, {2, 2}}, 1},
                      CountCase{"TransitionKeepsTheBreakerCounted", {{1, 1}, {1, 4}}, 1},
                      CountCase{"TransitionDoesNotCountAnOpenBreaker", {{1, 0}, {1, 4}}, 0}),
    [](const auto& info) { return info.param.name; });

TEST(BreakerCountTest, FollowsTheStationsThroughATrip)
{
    Bench bench;
    bench.closeBreaker(1);
    bench.closeBreaker(2);
    EXPECT_EQ(bench.get("GRSH_QG_count_as"), 2);

    bench.set("SES1_QG_Protection_S", 1);
    bench.run(600ms);

    EXPECT_EQ(bench.get("GRSH_QG_count_as"), 1);
}

TEST(SwitchboardTerminationTest, PublishesNoPowerAndStopsTheLoop)
{
    Bench bench;
    bench.set("GRSH_QC_On_C", 1);
    bench.run(500ms);
    bench.set("SES1_QG_On_S", 1);

    bench.switchboard().sigterm(SIGTERM);
    bench.set("GRSH_QC_Off_C", 1);
    bench.run(600ms);

    EXPECT_EQ(bench.get("GRSH_NoPower_s"), 1);
    EXPECT_EQ(bench.get("GRSH_QC_On_S"), 1) << "the loop ran on after the stop";
}
