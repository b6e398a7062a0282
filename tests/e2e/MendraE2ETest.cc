// smemory and mendra as real processes on the bench configuration: the test gives
// station 1 the commands the station control would give and watches the feedback.
#include <gtest/gtest.h>

#include "StoreBench.h"

using namespace UniSetTypes;
using testing_support::sourcePath;
using testing_support::StoreBench;

TEST(Mendra, StationStartsTakesItsLoadTripsAndIsReset)
{
    StoreBench bench("mendra");
    auto smemory = bench.startStore();
    ASSERT_TRUE(bench.store().isReady()) << smemory->output();
    testing_support::SensorRecorder watcher;
    for (const char* s : {"SES1_sees_state_as", "SES1_qg_state_as"})
        bench.store().ask(bench.id(s), UniversalIO::UIONotify, &watcher);

    // Commands given before mendra is up reach it with its first look at its inputs.
    bench.set("GEU_Power_s", 500);
    bench.set("SES1_DG_Start_C", 1);
    auto mendra = bench.start("simulator/mendra", {"--imitator-confile", sourcePath("config/mendra.src.xml"),
                                                   "--sleep-msec", "20"});

    ASSERT_TRUE(bench.await("SES1_sees_state_as", 9)) << mendra->output();
    EXPECT_EQ(bench.get("SES1_DG_U_as"), 380);
    EXPECT_EQ(bench.get("SES1_EngineRunning_S"), 1);

    bench.set("SES1_QG_On_C", 1);
    ASSERT_TRUE(bench.await("SES1_sees_state_as", 1)) << mendra->output();
    EXPECT_TRUE(bench.await("SES1_QG_On_S", 1));
    EXPECT_TRUE(bench.await("GRSH_QG_count_as", 1));
    EXPECT_TRUE(bench.await("SES1_P_as", 500));
    EXPECT_TRUE(bench.await("GRSH_NoPower_s", 0));

    bench.set("SES1_QG_Protection_S", 1);
    EXPECT_TRUE(bench.await("SES1_QG_Off_S", 1));
    EXPECT_TRUE(bench.await("SES1_QG_On_S", 0));
    EXPECT_TRUE(bench.await("SES1_QG_Protection_L", 1));
    EXPECT_TRUE(bench.await("GRSH_NoPower_s", 1));
    EXPECT_TRUE(watcher.heard(bench.id("SES1_qg_state_as"), 2)) << "the trip was never reported";
    EXPECT_TRUE(watcher.heard(bench.id("SES1_sees_state_as"), 2));

    // The codes show the trip until its input clears: then a running set with its breaker open.
    bench.set("SES1_QG_Protection_S", 0);
    EXPECT_TRUE(bench.await("SES1_qg_state_as", 0)) << "the breaker's code kept the cleared trip";
    EXPECT_TRUE(bench.await("SES1_sees_state_as", 9));
    bench.set("SES1_Reset_C", 1);
    EXPECT_TRUE(bench.await("SES1_QG_Protection_L", 0)) << mendra->output();
    EXPECT_TRUE(bench.await("SES1_SEES_Protection_L", 0));
    EXPECT_EQ(bench.get("SES1_sees_state_as"), 9);

    // Stopped, it leaves the set without voltage and the breaker's position unknown.
    EXPECT_EQ(mendra->stop(), 0) << mendra->output();
    EXPECT_EQ(bench.get("SES1_DG_U_as"), 0);
    EXPECT_EQ(bench.get("SES1_QG_Off_S"), 0);
    EXPECT_EQ(bench.get("GRSH_NoPower_s"), 1);
    smemory->stop();
}
