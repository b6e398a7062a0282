// The store under faults, with real programs: a segment name taken by someone else
// first, a segment made anew under running programs, a reset while smemory runs,
// and a change log outrun. None of them goes unsaid.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Process.h"
#include "ShmSegment.h"
#include "StoreBench.h"
#include "TestSupport.h"

using testing_support::occurrences;
using testing_support::Program;
using testing_support::programPath;
using testing_support::StoreBench;
using testing_support::waitFor;

namespace
{
    std::unique_ptr<Program> startWatch(const StoreBench& bench, const std::string& sensor)
    {
        auto args = bench.storeOptions();
        args.insert(args.end(), {"watch", sensor});
        return std::make_unique<Program>(programPath("tools/smctl"), args, bench.dir.path("watch.out"));
    }

    // zarsen answers its inputs once it is on the store and has asked for them.
    bool zarsenFollows(StoreBench& bench)
    {
        bench.set("ADG_Generator_Working_S", 1);
        return bench.await("ADG_Generator_State_AS", 1);
    }
}

TEST(StoreFaults, ASegmentNameTakenFirstBySomeoneElseIsNeitherAdoptedNorUsed)
{
    StoreBench bench("e2e-squat");
    const int fd = shm_open(bench.segment().c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(fchmod(fd, 0666), 0);
    close(fd);

    const auto smemory = testing_support::runProgram(programPath("tools/smemory"), bench.options());
    EXPECT_EQ(smemory.status, 1);
    EXPECT_EQ(occurrences(smemory.output, "\n"), 1u) << smemory.output;
    EXPECT_NE(smemory.output.find("smemory: (store): '" + bench.segment() + "' (owner "), std::string::npos)
        << smemory.output;
    EXPECT_NE(smemory.output.find("mode 0666) is not this user's own"), std::string::npos) << smemory.output;

    const auto smctl = bench.smctl({"get", "SM_Test_S"});
    EXPECT_EQ(smctl.status, 2);
    EXPECT_NE(smctl.output.find("grants access to other users"), std::string::npos) << smctl.output;
}

TEST(StoreFaults, ResetIsRefusedWhileAnotherSmemoryServesTheStore)
{
    StoreBench bench("e2e-reset");
    auto smemory = bench.startStore();
    std::string other = testing_support::readFile(testing_support::sourcePath("config/configure.xml"));
    other.insert(other.find("</sensors>"), "  <item id=\"99999\" name=\"Extra_AS\" iotype=\"AI\"/>\n  ");
    bench.dir.write("other.xml", other);
    auto args = bench.options();
    args[1] = bench.dir.path("other.xml");
    args.push_back("--reset");

    const auto refused = testing_support::runProgram(programPath("tools/smemory"), args);
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.output.find("is already run by smemory pid " + std::to_string(smemory->pid())), std::string::npos)
        << refused.output;
    EXPECT_EQ(bench.smctl({"get", "SM_Test_S"}).status, 0) << "the running store goes on";
    EXPECT_TRUE(smemory->running());
}

TEST(StoreFaults, ASegmentMadeAnewEndsWatchAndTheProgramsWithOneLineEach)
{
    StoreBench bench("e2e-anew");
    auto smemory = bench.startStore();
    auto zarsen = bench.start("monitors/zarsen");
    auto watch = startWatch(bench, "ADG_State_AS");
    ASSERT_TRUE(zarsenFollows(bench)) << zarsen->output();
    ASSERT_TRUE(waitFor([&] { return watch->output().find("ADG_State_AS=9") != std::string::npos; })) << watch->output();

    // smemory killed, its segment removed, smemory started again: a new, empty store.
    smemory->signal(SIGKILL);
    smemory->wait();
    uniset::ShmSegment::remove(bench.segment());
    smemory = bench.startStore();

    const std::string line = "store '" + bench.segment() +
                             "' was made anew (removed and created again, or replaced by smemory --reset)";
    EXPECT_EQ(watch->wait(), 2) << watch->output();
    const std::string watched = watch->output();
    const std::string last = "ADG_State_AS=9\n";
    EXPECT_EQ(watched.substr(watched.find(last) + last.size()), "smctl: " + line + ": watch ends\n")
        << "nothing of the new segment, one line: " << watched;
    EXPECT_EQ(zarsen->wait(), 2) << zarsen->output();
    EXPECT_EQ(occurrences(zarsen->output(), line + ": the program ends"), 1u) << zarsen->output();

    // Started again, it is on the new store.
    zarsen = bench.start("monitors/zarsen");
    EXPECT_TRUE(zarsenFollows(bench)) << zarsen->output();
}

TEST(StoreFaults, AnOverrunIsReportedByWatchOnStderrAndByAProgramWhateverItsLogLevels)
{
    StoreBench bench("e2e-overrun");
    auto smemory = bench.startStore();
    auto zarsen = bench.start("monitors/zarsen", {"--unideb-levels", "none", "--dlog-levels", "none"});
    auto watch = startWatch(bench, "ADG_AlarmStop_S");
    ASSERT_TRUE(zarsenFollows(bench)) << zarsen->output();
    ASSERT_TRUE(waitFor([&] { return watch->output().find("ADG_AlarmStop_S=0") != std::string::npos; }))
        << watch->output();

    // Both stopped while a writer goes a whole change log (2^18 entries) and more ahead.
    watch->signal(SIGSTOP);
    zarsen->signal(SIGSTOP);
    const UniSetTypes::ObjectId alarm = bench.id("ADG_AlarmStop_S");
    constexpr long kChanges = 300000;
    for (long i = 1; i <= kChanges; ++i)
        bench.store().setValue(alarm, i & 1, UniSetTypes::DefaultObjectId);
    watch->signal(SIGCONT);
    zarsen->signal(SIGCONT);

    const std::string line = "the notifier of '" + bench.segment() + "' fell behind the change log (262144 entries) and skipped ";
    ASSERT_TRUE(waitFor([&] { return watch->output().find(line) != std::string::npos; })) << watch->output();
    EXPECT_EQ(occurrences(watch->output(), "smctl: " + line), 1u) << watch->output();
    ASSERT_TRUE(waitFor([&] { return bench.dir.read("zarsen.log").find(line) != std::string::npos; }))
        << bench.dir.read("zarsen.log");
    EXPECT_EQ(occurrences(bench.dir.read("zarsen.log"), line), 1u);

    // What follows the report is the current value: the last change written.
    ASSERT_TRUE(waitFor([&] {
        const std::string out = watch->output();
        return out.size() > 20 && out.compare(out.size() - 18, 18, "ADG_AlarmStop_S=0\n") == 0 &&
               out.find(line) < out.rfind("ADG_AlarmStop_S=0\n");
    })) << watch->output();
    watch->signal(SIGINT);
    EXPECT_EQ(watch->wait(), 0);
}
