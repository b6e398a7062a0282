// smemory, piltov and zarsen as real processes on the bench configuration: the
// test sets breaker contacts and generator signals as the plant would and waits
// for the state codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>

#include "Configuration.h"
#include "MessageType.h"
#include "Process.h"
#include "ShmSegment.h"
#include "ShmStore.h"
#include "TestSupport.h"
#include "UniSetObject.h"

using namespace UniSetTypes;
using testing_support::Program;
using testing_support::programPath;
using testing_support::waitFor;

namespace
{
    // The bench file with a short settling time, so that the test runs in moments.
    std::string benchWithShortSettling()
    {
        std::ifstream in(testing_support::sourcePath("config/configure.xml"));
        std::stringstream ss;
        ss << in.rdbuf();
        std::string text = ss.str();
        for (size_t at = text.find("unknownTimeout=\"2000\""); at != std::string::npos;
             at = text.find("unknownTimeout=\"2000\"", at))
            text.replace(at, 21, "unknownTimeout=\"300\"");
        return text;
    }

    class Bench
    {
    public:
        Bench() : storeName(testing_support::uniqueStoreName("monitors"))
        {
            dir.write("configure.xml", benchWithShortSettling());
            const std::vector<std::string> args = {"e2e", "--confile", dir.path("configure.xml"), "--store-name",
                                                   storeName};
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

        std::vector<std::string> common() const
        {
            return {"--confile", dir.path("configure.xml"), "--store-name", storeName, "--logdir", dir.path("")};
        }

        std::unique_ptr<Program> start(const std::string& program, std::vector<std::string> extra = {})
        {
            auto args = common();
            args.insert(args.end(), extra.begin(), extra.end());
            const std::string name = program.substr(program.find('/') + 1);
            return std::make_unique<Program>(programPath(program), args, dir.path(name + ".out"));
        }

        ObjectId id(const std::string& name) const { return cfg->getSensorID(name); }
        void set(const std::string& name, long value) { store->setValue(id(name), value, DefaultObjectId); }
        long get(const std::string& name) const { return store->getValue(id(name)); }
        // Waits (bounded) for the sensor to hold the value.
        bool await(const std::string& name, long value)
        {
            return waitFor([&] { return store->isReady() && get(name) == value; });
        }

        testing_support::TempDir dir;
        std::string storeName;
        std::unique_ptr<Configuration> cfg;
        std::string segment;
        std::unique_ptr<uniset::ShmStore> store;
    };

    // Keeps every change of the sensors it asked for, in order.
    class Watcher : public UniSetObject
    {
    public:
        std::vector<long> values(ObjectId id)
        {
            VoidMessage vm;
            while (receiveMessage(vm))
            {
                SensorMessage sm(&vm);
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

TEST(Monitors, StateCodesFollowThePlantSignals)
{
    Bench bench;
    auto smemory = bench.start("tools/smemory");
    ASSERT_TRUE(waitFor([&] { return bench.store->isReady(); })) << smemory->output();
    Watcher watcher;
    bench.store->ask(bench.id("QG1_State_as"), UniversalIO::UIONotify, &watcher);

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
