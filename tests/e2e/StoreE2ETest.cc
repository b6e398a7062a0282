// The shared-memory store across real processes: smemory owns it, forked writers and
// readers meet in it, smctl looks at it. Each test runs its own store.
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <algorithm>
#include <map>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "Configuration.h"
#include "Process.h"
#include "StoreBench.h"
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
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    constexpr long kRounds = 25000;    // 50,000 changes: sanitizers are slow
#else
    constexpr long kRounds = 500000;   // a million changes
#endif
    // How far a writer may run ahead of its reader: well inside the change log.
    constexpr long kWindow = 50000;

    const char* const kSensors = R"(
  <sensors>
    <item id="10" name="SM_Test_S" iotype="DI"/>
    <item id="20" name="Counter_AS" iotype="AI"/>
    <item id="21" name="Pulse_S" iotype="DI"/>
    <item id="22" name="Progress_AS" iotype="AI"/>
    <item id="23" name="Go_S" iotype="DI"/>
    <item id="24" name="Other_AS" iotype="AI" default="5"/>
  </sensors>
  <controllers>
    <item id="6000" name="SharedMemory1"/>
  </controllers>)";
    constexpr ObjectId kCounter = 20, kPulse = 21, kProgress = 22, kGo = 23, kOther = 24;

    // The bench on this file's sensors.
    class Bench : public testing_support::StoreBench
    {
    public:
        explicit Bench(const std::string& sensors = kSensors)
            : StoreBench("e2e-store", testing_support::configXml(sensors))
        {
        }
    };

    // Runs body in a child process; its result is the child's exit status. Fork only
    // while this process runs no thread of its own.
    pid_t forkProcess(const std::function<int()>& body)
    {
        const pid_t pid = fork();
        if (pid == 0)
        {
            int rc = 100;
            try
            {
                rc = body();
            }
            catch (...)
            {
            }
            _exit(rc);
        }
        return pid;
    }

    // The child's exit status; -1 when it has not ended within the bound.
    int waitExit(pid_t pid, std::chrono::milliseconds bound = std::chrono::seconds(60))
    {
        int status = 0;
        if (!waitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, bound))
        {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    // Takes the sensor messages of obj, waiting (bounded) until done says enough.
    void takeUntil(UniSetObject& obj, const std::function<bool(ObjectId, long)>& take)
    {
        bool done = false;
        waitFor([&] {
            VoidMessage vm;
            while (!done && obj.receiveMessage(vm))
            {
                SensorMessage sm(&vm);
                done = take(sm.id, sm.value);
            }
            return done;
        });
    }
}

TEST(StoreAcrossProcesses, AMillionChangesPulsesIncludedArriveInOrderAndNoneIsLost)
{
    Bench bench;
    auto smemory = bench.startStore();
    const pid_t writer = forkProcess([&] {
        auto store = bench.openStore();
        while (store->getValue(kGo) == 0)
            usleep(1000);
        for (long i = 1; i <= kRounds; ++i)
        {
            while (i - store->getValue(kProgress) > kWindow)
                usleep(100);
            store->setValue(kCounter, i, DefaultObjectId);
            store->setValue(kPulse, i & 1, DefaultObjectId);
        }
        return 0;
    });

    auto store = bench.openStore();
    UniSetObject reader;
    reader.setQueueWatermark(10 * kWindow);
    store->ask(kCounter, UniversalIO::UIONotify, &reader);
    store->ask(kPulse, UniversalIO::UIONotify, &reader);
    testing_support::drain(reader);
    store->setValue(kGo, 1, DefaultObjectId);

    // The one order of the writes: Counter=1, Pulse=1, Counter=2, Pulse=0, ...
    long expectedCounter = 1;
    bool counterNext = true;
    long received = 0;
    std::string broken;
    takeUntil(reader, [&](ObjectId id, long value) {
        const ObjectId wantId = counterNext ? kCounter : kPulse;
        const long wantValue = counterNext ? expectedCounter : (expectedCounter & 1);
        if (id != wantId || value != wantValue)
        {
            broken = "message " + std::to_string(received) + ": got " + std::to_string(id) + "=" +
                     std::to_string(value) + ", expected " + std::to_string(wantId) + "=" + std::to_string(wantValue);
            return true;
        }
        ++received;
        if (!counterNext && ++expectedCounter % 1000 == 0)
            store->setValue(kProgress, expectedCounter, DefaultObjectId);
        counterNext = !counterNext;
        return received == 2 * kRounds;
    });
    EXPECT_EQ(broken, "");
    EXPECT_EQ(received, 2 * kRounds);
    EXPECT_EQ(waitExit(writer), 0);
}

TEST(StoreAcrossProcesses, AnAskerGetsTheCurrentValueAndTheWriterHearsItsOwnChanges)
{
    Bench bench;
    auto smemory = bench.startStore();
    constexpr long kWrites = 1000;
    const pid_t writer = forkProcess([&] {
        auto store = bench.openStore();
        store->setValue(kOther, 42, DefaultObjectId);   // before anyone asks
        UniSetObject self;
        store->ask(kCounter, UniversalIO::UIONotify, &self);
        while (store->getValue(kGo) == 0)
            usleep(1000);
        for (long i = 1; i <= kWrites; ++i)
            store->setValue(kCounter, i, DefaultObjectId);
        long expected = 0;   // the ask's current value, then every change
        bool inOrder = true;
        takeUntil(self, [&](ObjectId, long value) {
            inOrder = inOrder && value == expected++;
            return !inOrder || value == kWrites;
        });
        return inOrder && expected == kWrites + 1 ? 0 : 1;
    });

    auto store = bench.openStore();
    ASSERT_TRUE(waitFor([&] { return store->getValue(kOther) == 42; }));
    UniSetObject reader;
    store->ask(kOther, UniversalIO::UIONotify, &reader);
    store->ask(kCounter, UniversalIO::UIONotify, &reader);
    VoidMessage first;
    ASSERT_TRUE(reader.receiveMessage(first)) << "the ask queues the current value at once";
    EXPECT_EQ(SensorMessage(&first).value, 42);
    store->setValue(kGo, 1, DefaultObjectId);
    long last = -1;
    takeUntil(reader, [&](ObjectId id, long value) {
        EXPECT_EQ(id, kCounter);
        EXPECT_EQ(value, last + 1);
        last = value;
        return value == kWrites;
    });
    EXPECT_EQ(last, kWrites);
    EXPECT_EQ(waitExit(writer), 0) << "the writer heard each of its own changes, in order";
}

TEST(StoreAcrossProcesses, AWriterKilledMidStreamLeavesTheStoreConsistentAndTheOthersGoOn)
{
    Bench bench;
    auto smemory = bench.startStore();
    const pid_t writer = forkProcess([&] {
        auto store = bench.openStore();
        while (store->getValue(kGo) == 0)
            usleep(1000);
        for (long i = 1; i > 0; ++i)   // until killed
            store->setValue(kCounter, i, DefaultObjectId);
        return 0;
    });

    auto store = bench.openStore();
    UniSetObject reader;
    reader.setQueueWatermark(1 << 30);
    store->ask(kCounter, UniversalIO::UIONotify, &reader);
    store->ask(kOther, UniversalIO::UIONotify, &reader);
    testing_support::drain(reader);
    store->setValue(kGo, 1, DefaultObjectId);
    ASSERT_TRUE(waitFor([&] { return store->getValue(kCounter) > 20000; }));
    kill(writer, SIGKILL);
    EXPECT_EQ(waitExit(writer), 128 + SIGKILL);

    // The others go on: this process's own writes still reach it, and what it last
    // heard of the counter is the counter's value.
    for (long v = 6; v <= 10; ++v)
        store->setValue(kOther, v, DefaultObjectId);
    long lastCounter = 0;
    long lastOther = 5;
    bool rising = true;
    takeUntil(reader, [&](ObjectId id, long value) {
        if (id == kCounter)
        {
            rising = rising && value > lastCounter;
            lastCounter = value;
        }
        else
            lastOther = value;
        return lastOther == 10;
    });
    EXPECT_EQ(lastOther, 10);
    EXPECT_TRUE(rising);
    const long current = store->getValue(kCounter);
    EXPECT_TRUE(waitFor([&] {
        VoidMessage vm;
        while (reader.receiveMessage(vm))
            lastCounter = SensorMessage(&vm).value;
        return lastCounter == current;
    })) << "last heard " << lastCounter << ", store holds " << current;

    // A program started now reads the current values.
    const auto got = bench.smctl({"get", "Counter_AS", "Other_AS"});
    EXPECT_EQ(got.status, 0) << got.output;
    EXPECT_EQ(got.output, "Counter_AS=" + std::to_string(current) + "\nOther_AS=10\n");
}

TEST(StoreAcrossProcesses, AReaderRestartedAfterAKillStartsFromTheCurrentValue)
{
    Bench bench;
    auto smemory = bench.startStore();
    auto store = bench.openStore();   // writes only: no thread, so forking stays safe
    auto startReader = [&](long expectFrom) {
        return forkProcess([&bench, expectFrom] {
            auto mine = bench.openStore();
            UniSetObject reader;
            mine->ask(kCounter, UniversalIO::UIONotify, &reader);
            mine->setValue(kGo, 1, DefaultObjectId);
            long expected = expectFrom;
            bool inOrder = true;
            takeUntil(reader, [&](ObjectId, long value) {
                inOrder = inOrder && value == expected++;
                return !inOrder || value == expectFrom + 100;
            });
            return inOrder ? 0 : 1;
        });
    };

    const pid_t first = startReader(0);
    ASSERT_TRUE(waitFor([&] { return store->getValue(kGo) == 1; }));
    for (long v = 1; v <= 50; ++v)
        store->setValue(kCounter, v, DefaultObjectId);
    kill(first, SIGKILL);
    EXPECT_EQ(waitExit(first), 128 + SIGKILL);
    for (long v = 51; v <= 70; ++v)
        store->setValue(kCounter, v, DefaultObjectId);

    store->setValue(kGo, 0, DefaultObjectId);
    const pid_t second = startReader(70);
    ASSERT_TRUE(waitFor([&] { return store->getValue(kGo) == 1; }));
    for (long v = 71; v <= 170; ++v)
        store->setValue(kCounter, v, DefaultObjectId);
    EXPECT_EQ(waitExit(second), 0) << "the restarted reader got 70 on its ask, then 71 to 170 in order";
}

TEST(StoreAcrossProcesses, SmemoryStoppedAndRestartedLosesNothing)
{
    Bench bench;
    auto smemory = bench.startStore();
    auto store = bench.openStore();
    UniSetObject reader;
    store->ask(kOther, UniversalIO::UIONotify, &reader);
    testing_support::drain(reader);
    store->setValue(kOther, 6, DefaultObjectId);

    EXPECT_EQ(smemory->stop(), 0);
    EXPECT_FALSE(store->isReady());
    store->setValue(kOther, 7, DefaultObjectId);   // the programs keep working meanwhile
    const auto down = bench.smctl({"get", "Other_AS"});
    EXPECT_EQ(down.status, 2) << down.output;

    smemory = bench.startStore();
    EXPECT_TRUE(store->isReady());
    store->setValue(kOther, 8, DefaultObjectId);
    std::vector<long> heard;
    takeUntil(reader, [&](ObjectId, long value) {
        heard.push_back(value);
        return value == 8;
    });
    EXPECT_EQ(heard, (std::vector<long>{6, 7, 8}));
    EXPECT_EQ(bench.smctl({"get", "Other_AS"}).output, "Other_AS=8\n");
    EXPECT_NE(smemory->output().find("values kept"), std::string::npos) << smemory->output();
}

TEST(StoreAcrossProcesses, ParallelRunsOnSeparateStoresNeverMeet)
{
    Bench first, second;
    auto firstStore = first.startStore();
    auto secondStore = second.startStore();
    EXPECT_EQ(first.smctl({"set", "Other_AS=1"}).status, 0);
    EXPECT_EQ(second.smctl({"set", "Other_AS=2"}).status, 0);
    EXPECT_EQ(first.smctl({"get", "Other_AS"}).output, "Other_AS=1\n");
    EXPECT_EQ(second.smctl({"get", "Other_AS"}).output, "Other_AS=2\n");
    EXPECT_NE(first.segment(), second.segment());
}

TEST(StoreAcrossProcesses, AProgramOfAnotherConfigurationIsRefused)
{
    Bench bench;
    auto smemory = bench.startStore();
    std::string sensors = kSensors;
    sensors.insert(sensors.find("</sensors>"), "  <item id=\"30\" name=\"Extra_AS\" iotype=\"AI\"/>\n  ");
    bench.dir.write("other.xml", testing_support::configXml(sensors));
    std::vector<std::string> other = bench.storeOptions();
    other[1] = bench.dir.path("other.xml");
    auto otherSmctl = [&](const std::vector<std::string>& args) {
        auto all = other;
        all.insert(all.end(), args.begin(), args.end());
        return testing_support::runProgram(programPath("tools/smctl"), all);
    };

    const auto got = otherSmctl({"get", "Other_AS"});
    EXPECT_EQ(got.status, 2);
    EXPECT_NE(got.output.find("another sensor list"), std::string::npos) << got.output;

    EXPECT_EQ(smemory->stop(), 0);
    const auto refused = testing_support::runProgram(programPath("tools/smemory"), other);
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.output.find("--reset"), std::string::npos) << refused.output;
    auto withReset = other;
    withReset.push_back("--reset");
    Program replacing(programPath("tools/smemory"), withReset, bench.dir.path("replacing.out"));
    EXPECT_TRUE(waitFor([&] { return otherSmctl({"get", "Extra_AS"}).status == 0; })) << replacing.output();
    EXPECT_EQ(bench.smctl({"get", "Other_AS"}).status, 2);
}

TEST(StoreAcrossProcesses, ASecondSmemoryOnTheSameStoreIsRefused)
{
    Bench bench;
    auto smemory = bench.startStore();
    const auto second = testing_support::runProgram(programPath("tools/smemory"), bench.options());
    EXPECT_EQ(second.status, 1);
    EXPECT_NE(second.output.find("already run"), std::string::npos) << second.output;
}

namespace
{
    enum class StoreIs
    {
        Running,
        Stopped,
        Missing
    };

    struct SmctlCase
    {
        const char* name;
        std::vector<std::string> args;
        StoreIs store;
        int status;
        std::string output;   // the whole output when the status is 0, else a part of its one line
    };

    void PrintTo(const SmctlCase& c, std::ostream* os) { *os << c.name; }

    class Smctl : public ::testing::TestWithParam<SmctlCase>
    {
    };
}

TEST_P(Smctl, AnswersWithItsExitStatusAndOneLine)
{
    const SmctlCase& c = GetParam();
    Bench bench;
    std::unique_ptr<Program> smemory;
    if (c.store != StoreIs::Missing)
        smemory = bench.startStore();
    if (c.store == StoreIs::Stopped)
    {
        ASSERT_EQ(smemory->stop(), 0);
    }
    const auto got = bench.smctl(c.args);
    EXPECT_EQ(got.status, c.status) << got.output;
    if (c.status == 0)
        EXPECT_EQ(got.output, c.output);
    else
    {
        EXPECT_EQ(got.output.rfind("smctl: ", 0), 0u) << got.output;
        EXPECT_EQ(std::count(got.output.begin(), got.output.end(), '\n'), 1) << got.output;
        EXPECT_NE(got.output.find(c.output), std::string::npos) << got.output;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, Smctl,
    ::testing::Values(
        SmctlCase{"GetByNameAndId", {"get", "SM_Test_S", "24"}, StoreIs::Running, 0, "SM_Test_S=0\nOther_AS=5\n"},
        SmctlCase{"SetThenNothingPrinted", {"set", "Other_AS=-3", "SM_Test_S=1"}, StoreIs::Running, 0, ""},
        SmctlCase{"List", {"list"}, StoreIs::Running, 0,
                  "10 SM_Test_S DI 0\n20 Counter_AS AI 0\n21 Pulse_S DI 0\n22 Progress_AS AI 0\n23 Go_S DI 0\n24 Other_AS AI 5\n"},
        SmctlCase{"UnknownSensorName", {"get", "Nope_S"}, StoreIs::Running, 1, "unknown sensor 'Nope_S'"},
        SmctlCase{"UnknownSensorId", {"get", "999"}, StoreIs::Running, 1, "unknown sensor '999'"},
        SmctlCase{"UnknownSensorInSet", {"set", "Other_AS=1", "Nope_S=1"}, StoreIs::Running, 1, "unknown sensor 'Nope_S'"},
        SmctlCase{"ValueNotANumber", {"set", "Other_AS=ten"}, StoreIs::Running, 1, "bad value 'ten' for Other_AS"},
        SmctlCase{"DigitalValueNotZeroOrOne", {"set", "SM_Test_S=2"}, StoreIs::Running, 1, "takes 0 or 1"},
        SmctlCase{"SetWithoutValue", {"set", "Other_AS"}, StoreIs::Running, 1, "is not SENSOR=VALUE"},
        SmctlCase{"UnknownCommand", {"frob"}, StoreIs::Running, 1, "unknown command 'frob'"},
        SmctlCase{"NoCommand", {}, StoreIs::Running, 1, "no command"},
        SmctlCase{"GetWithoutSensor", {"get"}, StoreIs::Running, 1, "get needs at least one sensor"},
        SmctlCase{"UnknownOption", {"--frob", "get", "SM_Test_S"}, StoreIs::Running, 1, "unknown option '--frob'"},
        SmctlCase{"StoreMissing", {"get", "SM_Test_S"}, StoreIs::Missing, 2, "does not exist"},
        SmctlCase{"StoreNotReady", {"set", "Other_AS=1"}, StoreIs::Stopped, 2, "not ready"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SmctlWatch, PrintsTheCurrentValueThenEveryChangeUntilInterrupted)
{
    Bench bench;
    auto smemory = bench.startStore();
    auto args = bench.storeOptions();
    args.insert(args.end(), {"watch", "Other_AS", "SM_Test_S"});
    Program watch(programPath("tools/smctl"), args, bench.dir.path("watch.out"));
    auto lines = [&] {
        const std::string out = watch.output();
        return std::count(out.begin(), out.end(), '\n');
    };
    ASSERT_TRUE(waitFor([&] { return watch.output().find("SM_Test_S=0\n") != std::string::npos; })) << watch.output();
    EXPECT_EQ(bench.smctl({"set", "Other_AS=6", "SM_Test_S=1", "Other_AS=7"}).status, 0);
    ASSERT_TRUE(waitFor([&] { return lines() == 5; })) << watch.output();
    watch.signal(SIGINT);
    EXPECT_EQ(watch.wait(), 0);

    std::vector<std::string> values;
    std::istringstream in(watch.output());
    for (std::string time, value; in >> time >> value;)
    {
        EXPECT_EQ(time.size(), 26u) << "YYYY-MM-DDTHH:MM:SS.uuuuuu: " << time;
        values.push_back(value);
    }
    EXPECT_EQ(values, (std::vector<std::string>{"Other_AS=5", "SM_Test_S=0", "Other_AS=6", "SM_Test_S=1", "Other_AS=7"}));
}
