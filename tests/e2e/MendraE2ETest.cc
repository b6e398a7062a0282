// smemory and mendra as real processes on the bench configuration: the test gives
// station 1 the commands the station control would give and watches the feedback.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "Configuration.h"
#include "MessageType.h"
#include "Process.h"
#include "ShmSegment.h"
#include "ShmStore.h"
#include "TestSupport.h"
#include "UniSetObject.h"

using namespace UniSetTypes;
using namespace std::chrono_literals;
using testing_support::Program;
using testing_support::programPath;
using testing_support::waitFor;

namespace
{
    // A file of the bench configuration: from the source tree the test runner names,
    // else from the tree this file is in.
    std::string configFile(const std::string& name)
    {
        const char* dir = std::getenv("RAVNA_SOURCE_DIR");
        const std::filesystem::path root =
            dir && *dir ? std::filesystem::path(dir) : std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
        return (root / "config" / name).string();
    }

    class Bench
    {
    public:
        Bench() : storeName(testing_support::uniqueStoreName("mendra"))
        {
            const std::vector<std::string> args = {"e2e", "--confile", configFile("configure.xml"),
                                                   "--store-name", storeName};
            std::vector<const char*> argv;
            for (const auto& a : args)
                argv.push_back(a.c_str());
            cfg = std::make_unique<Configuration>(static_cast<int>(argv.size()), argv.data());
            segment = uniset::ShmStore::segmentNameFor(*cfg);
            store = std::make_unique<uniset::ShmStore>(cfg->getSensors(), segment);
        }

        ~Bench()
        {
            store.reset();
            uniset::ShmSegment::remove(segment);
        }

        std::unique_ptr<Program> start(const std::string& program, std::vector<std::string> extra = {})
        {
            std::vector<std::string> args = {"--confile", configFile("configure.xml"), "--store-name",
                                             storeName, "--logdir", dir.path("")};
            args.insert(args.end(), extra.begin(), extra.end());
            const std::string name = program.substr(program.find('/') + 1);
            return std::make_unique<Program>(programPath(program), args, dir.path(name + ".out"));
        }

        ObjectId id(const std::string& name) const { return cfg->getSensorID(name); }
        void set(const std::string& name, long value) { store->setValue(id(name), value, DefaultObjectId); }
        long get(const std::string& name) const { return store->getValue(id(name)); }
        // Waits, with a bound generous enough for a loaded machine, for the sensor to hold the value.
        bool await(const std::string& name, long value)
        {
            return waitFor([&] { return store->isReady() && get(name) == value; }, 30s);
        }

        testing_support::TempDir dir;
        std::string storeName;
        std::unique_ptr<Configuration> cfg;
        std::string segment;
        std::unique_ptr<uniset::ShmStore> store;
    };

    // Keeps every change of the sensors it asked for, in order: a state held for
    // half a second is seen even when the test looks later.
    class Watcher : public UniSetObject
    {
    public:
        std::vector<long> values(ObjectId id)
        {
            VoidMessage vm;
            while (receiveMessage(vm))
            {
                const SensorMessage sm(&vm);
                seen.emplace_back(sm.id, sm.value);
            }
            std::vector<long> out;
            for (const auto& [sid, v] : seen)
                if (sid == id)
                    out.push_back(v);
            return out;
        }

    private:
        std::vector<std::pair<ObjectId, long>> seen;
    };
}

TEST(Mendra, StationStartsTakesItsLoadTripsAndIsReset)
{
    Bench bench;
    auto smemory = bench.start("tools/smemory");
    ASSERT_TRUE(waitFor([&] { return bench.store->isReady(); }, 30s)) << smemory->output();
    Watcher watcher;
    for (const char* s : {"SES1_sees_state_as", "SES1_qg_state_as"})
        bench.store->ask(bench.id(s), UniversalIO::UIONotify, &watcher);

    // Commands given before mendra is up reach it with its first look at its inputs.
    bench.set("GEU_Power_s", 500);
    bench.set("SES1_DG_Start_C", 1);
    auto mendra = bench.start("simulator/mendra", {"--imitator-confile", configFile("mendra.src.xml"),
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
    EXPECT_TRUE(bench.await("SES1_qg_state_as", 0)) << "the breaker never reported open after the trip";
    const auto qgStates = watcher.values(bench.id("SES1_qg_state_as"));
    EXPECT_NE(std::find(qgStates.begin(), qgStates.end(), 2), qgStates.end()) << "the trip was never reported";
    const auto seesStates = watcher.values(bench.id("SES1_sees_state_as"));
    EXPECT_NE(std::find(seesStates.begin(), seesStates.end(), 2), seesStates.end());

    bench.set("SES1_QG_Protection_S", 0);
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
