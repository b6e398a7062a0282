// smemory, piltov and zarsen as real processes on the bench configuration: the
// test sets breaker contacts and generator signals as the plant would and waits
// for the state codes.
#include <gtest/gtest.h>

#include <algorithm>

#include "StoreBench.h"

using namespace UniSetTypes;
using testing_support::StoreBench;

namespace
{
    // The bench file with a short settling time, so that the test runs in moments.
    std::string benchWithShortSettling()
    {
        std::string text = testing_support::readFile(testing_support::sourcePath("config/configure.xml"));
        for (size_t at = text.find("unknownTimeout=\"2000\""); at != std::string::npos;
             at = text.find("unknownTimeout=\"2000\"", at))
            text.replace(at, 21, "unknownTimeout=\"300\"");
        return text;
    }
}

TEST(Monitors, StateCodesFollowThePlantSignals)
{
    StoreBench bench("monitors", benchWithShortSettling());
    auto smemory = bench.startStore();
    ASSERT_TRUE(bench.store().isReady()) << smemory->output();
    testing_support::SensorRecorder watcher;
    bench.store().ask(bench.id("QG1_State_as"), UniversalIO::UIONotify, &watcher);

    const std::vector<std::string> fast = {"--sleep-msec", "20"};
    auto piltov = bench.start("monitors/piltov", fast);
    auto zarsen = bench.start("monitors/zarsen", fast);
    // Up and listening once a breaker of its own shows closed.
    bench.set("SES3_QG_On_S", 1);
    bench.set("SES3_QG_Off_S", 0);
    ASSERT_TRUE(bench.await("QG3_State_as", 1)) << piltov->output();

    // A breaker closing: both contacts closed for a moment, never shown as undefined.
    bench.set("SES1_QG_On_S", 1);
    bench.set("SES1_QG_Off_S", 0);
    EXPECT_TRUE(bench.await("QG1_State_as", 1)) << piltov->output();
    EXPECT_TRUE(bench.await("GRS_Section1_NoPower_s", 0));
    // A contact stuck, on the other hand, is undefined once the settling time is over.
    bench.set("SES2_QG_On_S", 1);
    EXPECT_TRUE(bench.await("QG2_State_as", 10));

    // Set 1 working on its closed breaker, then its breaker tripping.
    bench.set("SES1_EngineRunning_S", 1);
    bench.set("SES1_ReadyForLoading_S", 1);
    EXPECT_TRUE(bench.await("VDG1_DG_Working_s", 1));
    EXPECT_TRUE(bench.await("VDG1_Generator_as", 1));
    EXPECT_TRUE(bench.await("VDG1_State_as", 1));
    bench.set("SES1_QG_Protection_S", 1);
    EXPECT_TRUE(bench.await("QG1_State_as", 2));
    EXPECT_TRUE(bench.await("VDG1_State_as", 2));

    // The emergency set, on its fixed ids.
    bench.set("ADG_Generator_Working_S", 1);
    EXPECT_TRUE(bench.await("ADG_State_AS", 9)) << zarsen->output();
    EXPECT_TRUE(bench.await("ADG_Generator_State_AS", 1));
    bench.set("ADG_QGA_On_S", 1);
    EXPECT_TRUE(bench.await("ADG_State_AS", 1));
    bench.set("ADG_Diesel_Fault_S", 1);
    EXPECT_TRUE(bench.await("ADG_State_AS", 2));
    EXPECT_TRUE(bench.await("ADG_Generator_State_AS", 2));

    const std::vector<long> qg1 = watcher.values(bench.id("QG1_State_as"));
    EXPECT_EQ(std::count(qg1.begin(), qg1.end(), 10), 0) << "QG1 showed undefined in transit";

    EXPECT_EQ(piltov->stop(), 0) << piltov->output();
    EXPECT_EQ(zarsen->stop(), 0) << zarsen->output();
    EXPECT_EQ(smemory->stop(), 0);
}
