// An Automat and the bus-tie breaker QC under the activator against the shared-memory
// store that smemory lays out. A plant stand-in in the test answers their commands
// with the position signals after a delay; an owner keeps their reports.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

#include "Automat.h"
#include "AutomatMessages.h"
#include "ObjectsActivator.h"
#include "QC.h"
#include "StoreBench.h"

using namespace UniSetTypes;
using namespace std::chrono_literals;
using testing_support::StoreBench;
using testing_support::waitFor;

namespace
{
    const char* const kConfig = R"(<?xml version="1.0" encoding="utf-8"?>
<configure>
  <LocalNode name="localhost"/>
  <HeartBeatTime time_msec="5000"/>
  <settings>
    <QF1 name="QF1" smTestID="SM_Test_S"
         State_On_s="QF1_On_S" State_Off_s="QF1_Off_S" Protection_s="QF1_Prot_S"
         On_c="QF1_On_C" Off_c="QF1_Off_C" Automat_NA_s="QF1_NA_S" state_as="QF1_State_AS"
         mid_NotOff="QF1_NotOff_M" mid_CurrentProtection_Att="QF1_Prot_M" mid_NA_Att="QF1_NA_M"
         OnTime="1500" OffTime="1500" stateTimeOut="50" minWaitingTime="100" offPause="50" naTime="2000"/>
    <QC1 name="QC1" smTestID="SM_Test_S"
         State_On_s="QC1_On_S" State_Off_s="QC1_Off_S" Protection_s="QC1_Prot_S" Synchro_Failure_s="QC1_SyncFail_S"
         On_c="QC1_On_C" Off_c="QC1_Off_C" SyncOn_c="QC1_SyncOn_C" State_NA_s="QC1_NA_S"
         mid_NotOn="QC1_NotOn_M" mid_SyncOn="QC1_SyncOn_M" mid_SyncFailure="QC1_SyncFail_M"
         OnTime="1500" OffTime="1500" DischargeOffTime="400" OnSyncTime="3000" stateTimeOut="50" CommandTime="500"
         minWaitingTime="100" askTimeout="1000" askPause="500" offPause="50" naTime="2000"/>
  </settings>
  <nodes><item id="1" name="localhost"/></nodes>
  <sensors>
    <item id="10" name="SM_Test_S" iotype="DI"/>
    <item id="400" name="QF1_On_S" iotype="DI"/>
    <item id="401" name="QF1_Off_S" iotype="DI" default="1"/>
    <item id="402" name="QF1_Prot_S" iotype="DI"/>
    <item id="403" name="QF1_On_C" iotype="DO"/>
    <item id="404" name="QF1_Off_C" iotype="DO"/>
    <item id="405" name="QF1_NA_S" iotype="DI"/>
    <item id="406" name="QF1_State_AS" iotype="AI"/>
    <item id="407" name="QF1_NotOff_M" iotype="DI"/>
    <item id="408" name="QF1_Prot_M" iotype="DI"/>
    <item id="409" name="QF1_NA_M" iotype="DI"/>
    <item id="420" name="QC1_On_S" iotype="DI"/>
    <item id="421" name="QC1_Off_S" iotype="DI" default="1"/>
    <item id="422" name="QC1_Prot_S" iotype="DI"/>
    <item id="423" name="QC1_SyncFail_S" iotype="DI"/>
    <item id="424" name="QC1_On_C" iotype="DO"/>
    <item id="425" name="QC1_Off_C" iotype="DO"/>
    <item id="426" name="QC1_SyncOn_C" iotype="DO"/>
    <item id="427" name="QC1_NA_S" iotype="DI"/>
    <item id="428" name="QC1_NotOn_M" iotype="DI"/>
    <item id="429" name="QC1_SyncOn_M" iotype="DI"/>
    <item id="430" name="QC1_SyncFail_M" iotype="DI"/>
  </sensors>
  <objects>
    <item id="5400" name="Supervisor"/>
    <item id="5401" name="QF1"/>
    <item id="5402" name="QC1"/>
  </objects>
  <controllers><item id="6000" name="SharedMemory1"/></controllers>
</configure>
)";

    struct Seen
    {
        ObjectId breaker;
        int kind;
        int code;
    };

    // The breakers' owner: keeps every report it is sent.
    class RecordingOwner : public ObjectsManager
    {
    public:
        explicit RecordingOwner(ObjectId id) : ObjectsManager(id) {}

        void processingMessage(VoidMessage* vm) override
        {
            if (vm->type != AutomatMessage::MessageTypeID)
                return;
            const AutomatMessage m(vm);
            std::lock_guard<std::mutex> lk(mtx);
            seen.push_back({m.id, m.kind, m.code});
        }

        size_t mark() const
        {
            std::lock_guard<std::mutex> lk(mtx);
            return seen.size();
        }

        // Waits for a report of the breaker after the mark.
        bool awaitReport(size_t from, ObjectId breaker, int kind, int code)
        {
            return waitFor([&] {
                std::lock_guard<std::mutex> lk(mtx);
                for (size_t i = from; i < seen.size(); ++i)
                    if (seen[i].breaker == breaker && seen[i].kind == kind && seen[i].code == code)
                        return true;
                return false;
            });
        }

    private:
        mutable std::mutex mtx;
        std::vector<Seen> seen;
    };

    // A plant for one breaker: a close command (On_c, or SyncOn_c) closes it and Off_c
    // opens it, each after a delay; a close passes through a short moment in which
    // both position signals are on. While silent it does nothing.
    class PlantStandIn
    {
    public:
        PlantStandIn(uniset::Store& store, const Configuration& cfg, const std::string& prefix, bool synchroniser)
            : store(store),
              on(cfg.getSensorID(prefix + "_On_S")),
              off(cfg.getSensorID(prefix + "_Off_S")),
              onCmd(cfg.getSensorID(prefix + "_On_C")),
              offCmd(cfg.getSensorID(prefix + "_Off_C")),
              syncCmd(synchroniser ? cfg.getSensorID(prefix + "_SyncOn_C") : DefaultObjectId),
              worker([this] { run(); })
        {
        }

        ~PlantStandIn()
        {
            stop = true;
            worker.join();
        }

        std::atomic<bool> silent{false};

    private:
        void run()
        {
            using clock = std::chrono::steady_clock;
            clock::time_point since{};
            int pending = 0; // 1 closing, -1 opening
            while (!stop)
            {
                std::this_thread::sleep_for(5ms);
                const bool closed = store.getValue(on) && !store.getValue(off);
                const bool close = store.getValue(onCmd) || (syncCmd != DefaultObjectId && store.getValue(syncCmd));
                const int wanted = silent ? 0 : close && !closed ? 1 : store.getValue(offCmd) && closed ? -1 : 0;
                if (wanted != pending)
                {
                    pending = wanted;
                    since = clock::now();
                }
                if (pending == 0 || clock::now() - since < 100ms)
                    continue;
                if (pending > 0)
                {
                    store.setValue(on, 1, DefaultObjectId);
                    std::this_thread::sleep_for(20ms);
                    store.setValue(off, 0, DefaultObjectId);
                }
                else
                {
                    store.setValue(on, 0, DefaultObjectId);
                    store.setValue(off, 1, DefaultObjectId);
                }
                pending = 0;
            }
        }

        uniset::Store& store;
        const ObjectId on, off, onCmd, offCmd, syncCmd;
        std::atomic<bool> stop{false};
        std::thread worker;
    };
}

TEST(Breakers, SwitchTimeOutTripAndStopAgainstSharedMemory)
{
    ObjectsActivator activator; // before any other thread, so that it gets the signals
    StoreBench bench("breakers", kConfig, {"--sleep-msec", "20"});
    auto smemory = bench.startStore();
    ASSERT_TRUE(bench.store().isReady()) << smemory->output();
    bench.install();
    auto& store = bench.store();
    auto& cfg = bench.cfg();
    auto level = [&](const char* name) { return bench.get(name); };

    {
        RecordingOwner owner(cfg.getObjectID("Supervisor"));
        Automat qf1("QF1", &owner, cfg.getNode("QF1"));
        QC qc1(1, "QC1", &owner, cfg.getNode("QC1"));
        PlantStandIn qf1Plant(store, cfg, "QF1", false);
        PlantStandIn qc1Plant(store, cfg, "QC1", true);
        const ObjectId qf = qf1.getId();
        const ObjectId qc = qc1.getId();

        activator.addManager(&owner);
        activator.run(true);
        activator.broadcast(SystemMessage(SystemMessage::StartUp).transport());

        size_t mark = owner.mark();
        qf1.cmdWake();
        qc1.cmdWake();
        EXPECT_TRUE(owner.awaitReport(mark, qf, AutomatMessage::kState, AutomatMessage::stOff));
        EXPECT_TRUE(owner.awaitReport(mark, qc, AutomatMessage::kState, AutomatMessage::stOff));

        // close and open
        mark = owner.mark();
        qf1.cmdOn();
        qc1.cmdOnSync();
        EXPECT_TRUE(owner.awaitReport(mark, qf, AutomatMessage::kState, AutomatMessage::stOn));
        EXPECT_TRUE(owner.awaitReport(mark, qc, AutomatMessage::kState, AutomatMessage::stOn));
        EXPECT_TRUE(waitFor([&] { return level("QF1_On_C") == 0 && level("QC1_SyncOn_C") == 0; }));
        EXPECT_TRUE(waitFor([&] { return level("QF1_State_AS") == 1; }));

        mark = owner.mark();
        qf1.cmdOff();
        qc1.cmdOff();
        EXPECT_TRUE(owner.awaitReport(mark, qf, AutomatMessage::kState, AutomatMessage::stOff));
        EXPECT_TRUE(owner.awaitReport(mark, qc, AutomatMessage::kState, AutomatMessage::stOff));
        EXPECT_TRUE(waitFor([&] { return level("QF1_Off_C") == 0 && level("QC1_Off_C") == 0; }));

        // the plant does not answer: the close times out and the breaker stays open
        qf1Plant.silent = true;
        mark = owner.mark();
        qf1.cmdOn();
        EXPECT_TRUE(owner.awaitReport(mark, qf, AutomatMessage::kFailure, AutomatMessage::failNotDone));
        EXPECT_TRUE(owner.awaitReport(mark, qf, AutomatMessage::kState, AutomatMessage::stOff));
        EXPECT_TRUE(waitFor([&] { return level("QF1_On_C") == 0; }));
        qf1Plant.silent = false;

        // a protection trip, refused commands, and the reset once it has gone
        mark = owner.mark();
        store.setValue(cfg.getSensorID("QF1_Prot_S"), 1, DefaultObjectId);
        EXPECT_TRUE(owner.awaitReport(mark, qf, AutomatMessage::kProtection, 1));
        EXPECT_TRUE(waitFor([&] { return level("QF1_State_AS") == 2; }));
        mark = owner.mark();
        qf1.cmdOn();
        EXPECT_TRUE(owner.awaitReport(mark, qf, AutomatMessage::kProtection, 1));
        store.setValue(cfg.getSensorID("QF1_Prot_S"), 0, DefaultObjectId);
        EXPECT_TRUE(waitFor([&] { return level("QF1_State_AS") == 0; })) << "the breaker saw the trip go";
        mark = owner.mark();
        qf1.cmdReset();
        EXPECT_TRUE(owner.awaitReport(mark, qf, AutomatMessage::kState, AutomatMessage::stOff));
        EXPECT_EQ(level("QF1_On_C"), 0);

        // terminate while both close with nobody answering: every command output goes off
        qf1Plant.silent = true;
        qc1Plant.silent = true;
        qf1.cmdOn();
        qc1.cmdOnSync();
        EXPECT_TRUE(waitFor([&] { return level("QF1_On_C") == 1 && level("QC1_SyncOn_C") == 1; }));

        activator.stop();
        activator.join();

        for (const char* output : {"QF1_On_C", "QF1_Off_C", "QC1_On_C", "QC1_Off_C", "QC1_SyncOn_C"})
            EXPECT_EQ(level(output), 0) << output;
    }

    EXPECT_EQ(smemory->stop(), 0) << smemory->output();
}
