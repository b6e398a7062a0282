#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <functional>
#include <map>
#include <thread>
#include <unistd.h>

#include "ObjectsActivator.h"
#include "ObjectsManager.h"
#include "ProgramEnd.h"
#include "Exceptions.h"
#include "InProcessStore.h"
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

namespace
{
    // Asks for the program's end from its own thread, as the store's notifier does.
    class EndsTheProgram : public Recorder
    {
    public:
        using Recorder::Recorder;
        void processingMessage(VoidMessage* msg) override
        {
            Recorder::processingMessage(msg);
            uniset::endProgram("the store went away");
        }
    };
}

TEST(ProgramEnd, KeepsTheFirstReasonUntilItIsTaken)
{
    uniset::endProgram("the store went away");
    uniset::endProgram("a later reason is not kept");
    EXPECT_TRUE(uniset::programEnding());
    EXPECT_EQ(uniset::takeProgramEndReason(), "the store went away");
    EXPECT_FALSE(uniset::programEnding());
    EXPECT_EQ(uniset::takeProgramEndReason(), "") << "taken once";
}

TEST_F(Activator, AProgramEndAskedFromAnObjectsThreadStopsEveryObjectThenRunThrowsTheReason)
{
    ObjectsActivator act;
    EndsTheProgram sut(100);
    Recorder other(101);
    act.addObject(&sut);
    act.addObject(&other);
    std::string thrown;
    std::atomic<bool> returned{false};
    std::thread runner([&] {
        try
        {
            act.run(false);
        }
        catch (const SystemError& ex)
        {
            thrown = ex.text;
        }
        returned = true;
    });
    ASSERT_TRUE(waitFor([&] { return act.isRunning(); }));

    sut.push(SystemMessage(SystemMessage::StartUp).transport());

    const bool ended = waitFor([&] { return returned.load(); });
    if (!ended)
        act.stop();   // so that a failure does not hang
    runner.join();
    ASSERT_TRUE(ended) << "the activator slept through the program's end";
    EXPECT_EQ(thrown, "the store went away");
    EXPECT_EQ(other.stoppedBy, SIGTERM) << "stopped as on a terminate signal";
    EXPECT_FALSE(other.threadRunning());
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

namespace
{
    // A pass that waits a long time, on a pause or on its queue. It tells when it is
    // about to wait, so that a stop can land as close as it can to the wait.
    class LongWaiter : public UniSetObject
    {
    public:
        static constexpr int kWaitMs = 2000;

        LongWaiter(bool onQueue, int waitMs) : onQueue(onQueue), waitMs(waitMs) {}
        void callback() override
        {
            ready = true;
            while (!go)
            {
            }
            aboutToWait = true;
            // Timed here: a wait that missed the stop still ends seeing the stop's flag.
            const auto start = std::chrono::steady_clock::now();
            VoidMessage vm;
            if (onQueue)
                waitMessage(vm, waitMs);
            else
                pauseFor(waitMs);
            if (std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(kWaitMs))
                waitedOut = true;
        }

        const bool onQueue;
        const int waitMs;
        std::atomic<bool> ready{false};
        std::atomic<bool> go{false};
        std::atomic<bool> aboutToWait{false};
        std::atomic<bool> waitedOut{false};
    };

    struct StopCase
    {
        std::string name;
        bool onQueue;
        std::function<void(UniSetObject&)> stop;
        int waitMs = LongWaiter::kWaitMs;
    };

    class StopWhileWaiting : public ::testing::TestWithParam<StopCase>
    {
    };
}

TEST_P(StopWhileWaiting, NoStopIsLostBetweenTheWaitersCheckAndItsWait)
{
    const StopCase& c = GetParam();
    for (int cycle = 0; cycle < 500; ++cycle)
    {
        LongWaiter sut(c.onQueue, c.waitMs);
        sut.startThread();
        const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!sut.ready && std::chrono::steady_clock::now() < bound)
            std::this_thread::yield();
        ASSERT_TRUE(sut.ready);
        // Both threads spin from here, and the stop comes a little later each cycle,
        // to sweep the moment between the waiter's check and its wait.
        sut.go = true;
        while (!sut.aboutToWait)
        {
        }
        std::atomic<int> spin{0};
        while (spin.load(std::memory_order_relaxed) < cycle % 200)
            spin.fetch_add(1, std::memory_order_relaxed);
        // From another thread: terminate waits for the pass, and a wait with no time-out
        // that missed the stop would never end. A second stop then wakes it, so that a
        // failure does not hang.
        std::thread stopper([&] { c.stop(sut); });
        const bool ended = waitFor([&] { return !sut.threadRunning(); });
        if (!ended)
            sut.stopThread();
        stopper.join();
        sut.joinThread();
        ASSERT_TRUE(ended) << "cycle " << cycle << ": the stop was lost";
        ASSERT_FALSE(sut.waitedOut) << "cycle " << cycle << ": the stop waited out the whole wait";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Objects, StopWhileWaiting,
    ::testing::Values(StopCase{"TerminateDuringAPause", false, [](UniSetObject& o) { o.terminate(SIGTERM); }},
                      StopCase{"StopThreadDuringAPause", false, [](UniSetObject& o) { o.stopThread(); }},
                      StopCase{"TerminateDuringAQueueWait", true, [](UniSetObject& o) { o.terminate(SIGTERM); }},
                      StopCase{"StopThreadDuringAQueueWait", true, [](UniSetObject& o) { o.stopThread(); }},
                      StopCase{"TerminateDuringAnUntimedQueueWait", true, [](UniSetObject& o) { o.terminate(SIGTERM); },
                               UniSetObject::kUntilStopped},
                      StopCase{"StopThreadDuringAnUntimedQueueWait", true, [](UniSetObject& o) { o.stopThread(); },
                               UniSetObject::kUntilStopped}),
    [](const auto& info) { return info.param.name; });

namespace
{
    // How an owner stops its objects for good before it destroys them.
    struct OwnerCase
    {
        std::string name;
        std::function<void(const std::vector<UniSetObject*>&)> stop;
    };

    class DestroyedWhileWritten : public ::testing::TestWithParam<OwnerCase>
    {
    };
}

TEST_P(DestroyedWhileWritten, AnObjectStoppedByItsOwnerHearsNothingWhileItIsDestroyed)
{
    uniset::InProcessStore store({{10, "Flag_S", UniversalIO::DigitalInput, 0, ""}});
    testing_support::BusyWriter writer(store, 10);
    std::atomic<int> late{0};
    std::vector<std::unique_ptr<testing_support::LateDeliveryProbe>> objects;
    std::vector<UniSetObject*> raw;
    for (int i = 0; i < 5; ++i)
    {
        objects.push_back(std::make_unique<testing_support::LateDeliveryProbe>(writer, late));
        raw.push_back(objects.back().get());
        store.ask(10, UniversalIO::UIONotify, raw.back());
    }
    writer.start();

    GetParam().stop(raw);
    objects.clear();

    EXPECT_EQ(late, 0) << "messages pushed into objects being destroyed";
}

INSTANTIATE_TEST_SUITE_P(
    Objects, DestroyedWhileWritten,
    ::testing::Values(OwnerCase{"TheActivatorStops",
                                [](const std::vector<UniSetObject*>& objs) {
                                    ObjectsActivator act;
                                    for (UniSetObject* o : objs)
                                        act.addObject(o);
                                    act.run(true);
                                    ASSERT_TRUE(waitFor([&] { return objs.front()->threadRunning(); }));
                                    act.stop();
                                    act.join();
                                }},
                      OwnerCase{"ItsManagerRemovesIt",
                                [](const std::vector<UniSetObject*>& objs) {
                                    ObjectsManager owner;
                                    for (UniSetObject* o : objs)
                                        owner.addObject(o);
                                    for (UniSetObject* o : objs)
                                        owner.removeObject(o);
                                }},
                      OwnerCase{"ItIsDisactivated",
                                [](const std::vector<UniSetObject*>& objs) {
                                    for (UniSetObject* o : objs)
                                        o->disactivate();
                                }}),
    [](const auto& info) { return info.param.name; });
