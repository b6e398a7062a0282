#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <map>
#include <thread>
#include <unistd.h>

#include "ObjectsActivator.h"
#include "ObjectsManager.h"
#include "ProgramEnd.h"
#include "Exceptions.h"
#include "TestSupport.h"

using namespace UniSetTypes;
using testing_support::waitFor;

namespace
{
    const char* const kObjects = R"(
  <objects>
    <item id="100" name="Alpha"/>
    <item id="101" name="Beta"/>
    <item id="102" name="Owner"/>
  </objects>)";

    // Records the system commands it receives and the signal it was stopped with.
    class Recorder : public UniSetObject
    {
    public:
        using UniSetObject::UniSetObject;

        void processingMessage(VoidMessage* msg) override
        {
            if (msg->type == Message::SysCommand)
                commands.push_back(SystemMessage(msg).command);
            ++handled;
        }
        void sigterm(int signo) override
        {
            stoppedBy = signo;
            UniSetObject::sigterm(signo);
        }

        std::vector<int> commands;   // written by the object's own thread only
        std::atomic<int> handled{0};
        std::atomic<int> stoppedBy{0};
    };

    class RecordingManager : public ObjectsManager
    {
    public:
        using ObjectsManager::ObjectsManager;
        void sigterm(int signo) override
        {
            stoppedBy = signo;
            ObjectsManager::sigterm(signo);
        }
        std::atomic<int> stoppedBy{0};
    };

    TimerMessage numbered(int n) { return TimerMessage(n); }
}

TEST(UniSetObject, TakesItsNameFromTheConfiguration)
{
    testing_support::TestWorld world(kObjects);
    UniSetObject named(100);
    UniSetObject anonymous;
    EXPECT_EQ(named.getName(), "Alpha");
    EXPECT_EQ(named.getId(), 100);
    EXPECT_EQ(anonymous.getName(), "UniSetObject");
    EXPECT_EQ(anonymous.getId(), DefaultObjectId);
}

TEST(UniSetObject, MessagesFromSeveralThreadsArriveInTheOrderEachPushedThem)
{
    testing_support::TestWorld world(kObjects);
    UniSetObject sut(100);
    constexpr int kThreads = 4;
    constexpr int kEach = 5000;
    std::vector<std::thread> pushers;
    for (int t = 0; t < kThreads; ++t)
        pushers.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i)
                sut.push(numbered(t * kEach + i).transport());
        });
    for (auto& p : pushers)
        p.join();

    std::map<int, int> lastOfThread;
    int total = 0;
    VoidMessage vm;
    while (sut.receiveMessage(vm))
    {
        const int n = TimerMessage(&vm).id;
        const int thread = n / kEach;
        if (lastOfThread.count(thread))
        {
            EXPECT_LT(lastOfThread[thread], n);
        }
        lastOfThread[thread] = n;
        ++total;
    }
    EXPECT_EQ(total, kThreads * kEach) << "nothing is dropped";
}

TEST(UniSetObject, ALongQueueIsReportedOncePerCrossing)
{
    testing_support::TempDir dir;
    testing_support::TestWorld world(kObjects);
    DebugStream saved = unideb;
    unideb.logFile(dir.path("unideb.log"));
    {
        UniSetObject sut(100);
        sut.setQueueWatermark(3);
        for (int i = 0; i < 10; ++i)
            sut.push(numbered(i).transport());
        EXPECT_EQ(sut.countMessages(), 10u);
    }
    unideb = saved;
    const std::string text = dir.read("unideb.log");
    EXPECT_NE(text.find("Alpha(push): message queue is long: 4 messages"), std::string::npos) << text;
    EXPECT_EQ(text.find("5 messages"), std::string::npos) << "one line per crossing";
}

TEST(ObjectsManager, RegistersOnceBroadcastsToItsTreeAndForgetsDeletedObjects)
{
    testing_support::TestWorld world(kObjects);
    ObjectsManager owner(102);
    ObjectsManager sub;
    auto* alpha = new UniSetObject(100);
    UniSetObject beta(101);
    EXPECT_TRUE(owner.addObject(alpha));
    EXPECT_TRUE(owner.addObject(alpha));   // a second registration does nothing
    EXPECT_TRUE(owner.addManager(&sub));
    EXPECT_TRUE(sub.addObject(&beta));
    EXPECT_EQ(owner.getObjects().size(), 1u);
    EXPECT_EQ(owner.allObjects().size(), 3u);

    owner.broadcast(SystemMessage(SystemMessage::StartUp).transport());
    EXPECT_EQ(alpha->countMessages(), 1u);
    EXPECT_EQ(sub.countMessages(), 1u);
    EXPECT_EQ(beta.countMessages(), 1u);
    EXPECT_EQ(owner.countMessages(), 0u);

    delete alpha;   // an owner may delete what it registered
    EXPECT_TRUE(owner.getObjects().empty());
    owner.broadcast(SystemMessage(SystemMessage::LogRotate).transport());
    EXPECT_EQ(beta.countMessages(), 2u);
    EXPECT_FALSE(owner.addObject(nullptr));
}

class Activator : public ::testing::Test
{
protected:
    // Real time: the activator runs the objects on threads.
    std::unique_ptr<Configuration> cfg = Configuration::fromString(testing_support::configXml(kObjects));
    void SetUp() override { conf = cfg.get(); }
    void TearDown() override { conf = nullptr; }
};

TEST_F(Activator, StartsObjectsDeliversStartUpAndStopsOnSigterm)
{
    ObjectsActivator act;
    RecordingManager owner(102);
    Recorder alpha(100);
    Recorder beta(101);
    owner.addObject(&beta);
    act.addObject(&alpha);
    act.addManager(&owner);
    act.broadcast(SystemMessage(SystemMessage::StartUp).transport());

    std::atomic<bool> returned{false};
    std::thread runner([&] {
        act.run(false);
        returned = true;
    });
    ASSERT_TRUE(waitFor([&] { return alpha.handled >= 1 && beta.handled >= 1; }));
    EXPECT_TRUE(alpha.threadRunning());

    // SIGHUP asks every object to reopen its log.
    kill(getpid(), SIGHUP);
    ASSERT_TRUE(waitFor([&] { return alpha.handled >= 2 && beta.handled >= 2; }));

    kill(getpid(), SIGTERM);
    runner.join();
    EXPECT_TRUE(returned);
    EXPECT_EQ(alpha.stoppedBy, SIGTERM);
    EXPECT_EQ(beta.stoppedBy, SIGTERM);
    EXPECT_EQ(owner.stoppedBy, SIGTERM);
    EXPECT_FALSE(alpha.threadRunning());
    EXPECT_FALSE(beta.threadRunning());
    EXPECT_EQ(alpha.commands, (std::vector<int>{SystemMessage::StartUp, SystemMessage::LogRotate}));
}

namespace
{
    // A pass that is long and busy: sigterm must wait for it.
    class Busy : public UniSetObject
    {
    public:
        using UniSetObject::UniSetObject;
        void callback() override
        {
            inPass = true;
            passes++;
            pauseFor(5);
            inPass = false;
        }
        void sigterm(int signo) override
        {
            sigtermDuringPass = sigtermDuringPass || inPass;
            sigterms++;
            UniSetObject::sigterm(signo);
        }
        std::atomic<bool> inPass{false};
        std::atomic<bool> sigtermDuringPass{false};
        std::atomic<int> passes{0};
        std::atomic<int> sigterms{0};
    };
}

TEST_F(Activator, AProgramEndAskedByTheRuntimeStopsEveryObjectThenRunThrowsTheReason)
{
    ObjectsActivator act;
    Recorder alpha(100);
    act.addObject(&alpha);
    act.broadcast(SystemMessage(SystemMessage::StartUp).transport());
    std::string thrown;
    std::thread runner([&] {
        try
        {
            act.run(false);
        }
        catch (const SystemError& ex)
        {
            thrown = ex.text;
        }
    });
    ASSERT_TRUE(waitFor([&] { return alpha.handled >= 1; }));

    uniset::endProgram("the store went away");
    uniset::endProgram("a later reason is not kept");
    runner.join();
    EXPECT_EQ(thrown, "the store went away");
    EXPECT_EQ(alpha.stoppedBy, SIGTERM) << "stopped as on a terminate signal";
    EXPECT_FALSE(alpha.threadRunning());
    EXPECT_FALSE(uniset::programEnding()) << "the reason was taken";
}

TEST_F(Activator, SigtermNeverRunsDuringAPassAndThePassesStop)
{
    ObjectsActivator act;
    Busy sut(100);
    act.addObject(&sut);
    act.run(true);
    ASSERT_TRUE(waitFor([&] { return sut.passes >= 3; }));
    act.stop();
    act.join();
    EXPECT_FALSE(act.isRunning());
    EXPECT_EQ(sut.sigterms, 1);
    EXPECT_FALSE(sut.sigtermDuringPass);
    const int after = sut.passes;
    EXPECT_FALSE(sut.threadRunning());
    EXPECT_EQ(sut.passes, after);
}
