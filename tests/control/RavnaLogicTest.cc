#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "AutomatMessages.h"
#include "Clock.h"
#include "ControlWorld.h"
#include "QCModes.h"
#include "RavnaLogic.h"

using control_test::controlWorld;
using control_test::Edits;
using testing_support::LogCapture;
using testing_support::TestWorld;

namespace
{
    // The lock, for the tests that hold it.
    class OpenRavnaLogic : public RavnaLogic
    {
    public:
        using RavnaLogic::qcMutex;
        using RavnaLogic::RavnaLogic;
    };

    enum class Position
    {
        open,
        closed,
        undefined
    };

    constexpr int on = AutomatMessage::cmdOn;
    constexpr int off = AutomatMessage::cmdOff;
    using Commands = std::vector<int>;

    // The bus-tie logic of the control world with its QC1, started; QC1's own loop
    // does not run: its queue holds the commands it was sent.
    struct BusTieRig
    {
        explicit BusTieRig(const Edits& edits = {}, std::vector<std::string> args = {})
            : world(controlWorld(edits), args)
        {
            sut = std::make_unique<OpenRavnaLogic>(world.id("RavnaLogic"), world.cfg().getNode("RavnaLogic"));
            for (UniSetObject* o : sut->getObjects())
                if (auto* b = dynamic_cast<QC*>(o))
                    qc = b;
            // The rule's rest: nothing on line, the tie closed.
            qc->in_State_On_s = true;
            qc->in_State_Off_s = false;
        }

        void startUp()
        {
            testing_support::startUp(*sut);
            commands();
        }

        // The plant's state without telling the logic: closed generator breakers
        // and what QC1 has last read of its position.
        void plant(int closedQGs, Position qcPosition)
        {
            for (int i = 1; i <= 4; ++i)
                world.set("QGM" + std::to_string(i) + "_On_S", i <= closedQGs);
            testing_support::drain(*sut);
            qc->in_State_On_s = qcPosition != Position::open;
            qc->in_State_Off_s = qcPosition != Position::closed;
        }

        void message(const std::string& sensor, long value)
        {
            UniSetTypes::SensorMessage sm;
            sm.id = world.id(sensor);
            sm.value = value;
            sm.state = value != 0;
            sut->push(sm.transport());
            pass();
        }

        void pass() { sut->callback(); }
        void advance(int ms) { world.clock().advanceMs(ms); }
        bool logged(const std::string& text) const { return log.text().find(text) != std::string::npos; }
        bool timerRuns() const { return sut->getTimeLeft(0) >= 0; }

        // The commands QC1 got since the last call.
        Commands commands() { return control_test::commandsTo(*qc); }

        TestWorld world;
        LogCapture log{RavnaLogic::dlog};
        std::unique_ptr<OpenRavnaLogic> sut;
        QC* qc = nullptr;
    };
}

// --- the rule

namespace
{
    struct RuleCase
    {
        const char* name;
        int closedQGs;
        Position qc;
        Commands commands;
    };

    class BusTieRule : public ::testing::TestWithParam<RuleCase>
    {
    };
}

TEST_P(BusTieRule, OpensWithMoreThanTwoGeneratorsAndClosesWithTwoOrFewer)
{
    const RuleCase& c = GetParam();
    BusTieRig rig;
    rig.startUp();
    rig.plant(c.closedQGs, c.qc);

    rig.message("QC_On_S", c.qc == Position::closed);

    EXPECT_EQ(rig.commands(), c.commands);
}

INSTANTIATE_TEST_SUITE_P(Cases, BusTieRule,
                         ::testing::Values(RuleCase{"NoneClosedTieClosed", 0, Position::closed, {}},
                                           RuleCase{"NoneClosedTieOpenIsClosed", 0, Position::open, {on}},
                                           RuleCase{"TwoClosedTieClosed", 2, Position::closed, {}},
                                           RuleCase{"TwoClosedTieOpenIsClosed", 2, Position::open, {on}},
                                           RuleCase{"ThreeClosedTieClosedIsOpened", 3, Position::closed, {off}},
                                           RuleCase{"ThreeClosedTieOpen", 3, Position::open, {}},
                                           RuleCase{"FourClosedTieClosedIsOpened", 4, Position::closed, {off}},
                                           RuleCase{"TiePositionUndefined", 3, Position::undefined, {}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BusTie, TieChangeAppliesTheRuleButStartsNoCheck)
{
    BusTieRig rig;
    rig.startUp();
    rig.plant(3, Position::closed);

    rig.message("QC_On_S", 1);

    EXPECT_EQ(rig.commands(), Commands{off});
    EXPECT_FALSE(rig.timerRuns());
}

// --- preparing a switching

namespace
{
    struct PrepareCase
    {
        const char* name;
        int closedQGs;
        bool closing;     // the switching closes a generator breaker
        Position qc;
        bool tripped;     // QC1 in its protection
        bool ready;
        Commands commands;
    };

    class PrepareQC : public ::testing::TestWithParam<PrepareCase>
    {
    };
}

TEST_P(PrepareQC, BringsTheTieWhereTheSwitchingNeedsIt)
{
    const PrepareCase& c = GetParam();
    BusTieRig rig;
    rig.startUp();
    if (c.tripped)
    {
        rig.qc->protectionTrigger->commit(rig.qc->Protection_s, true);
        rig.qc->changeMode(QCProtectionMode::Instance());
        ASSERT_EQ(rig.qc->currentMode(), QCProtectionMode::Instance());
    }
    rig.plant(c.closedQGs, c.qc);
    rig.commands();

    EXPECT_EQ(rig.sut->prepareQC(c.closing), c.ready);
    EXPECT_EQ(rig.commands(), c.commands);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PrepareQC,
    ::testing::Values(PrepareCase{"ThirdClosingOpensTheTie", 2, true, Position::closed, false, false, {off}},
                      PrepareCase{"ThirdClosingWithTheTieOpen", 2, true, Position::open, false, true, {}},
                      PrepareCase{"OpeningOfOneOfTwoKeepsTheTieClosed", 2, false, Position::closed, false, true, {}},
                      PrepareCase{"OpeningOfOneOfTwoClosesTheTie", 2, false, Position::open, false, false, {on}},
                      PrepareCase{"OpeningOfOneOfThreeOpensTheTie", 3, false, Position::closed, false, false, {off}},
                      PrepareCase{"SecondClosingClosesTheTie", 1, true, Position::open, false, false, {on}},
                      PrepareCase{"NothingClosedTieClosed", 0, false, Position::closed, false, true, {}},
                      PrepareCase{"TrippedTieNeededClosedLetsTheSwitchingGoOn", 1, true, Position::open, true, true, {}},
                      PrepareCase{"TrippedTieNeededOpen", 3, true, Position::open, true, true, {}},
                      PrepareCase{"UndefinedTieRefuses", 1, true, Position::undefined, false, false, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BusTie, HeldRuleIsAppliedByTheCheckAfterTheRelease)
{
    BusTieRig rig;
    rig.startUp();
    rig.plant(2, Position::closed);
    ASSERT_FALSE(rig.sut->prepareQC(true));
    ASSERT_EQ(rig.commands(), Commands{off});

    // The switching is given up: a generator breaker opens meanwhile.
    rig.world.set("QGM2_On_S", 0);
    rig.pass();
    EXPECT_TRUE(rig.logged("RavnaLogic(sensorInfo): qg state change.."));
    EXPECT_TRUE(rig.commands().empty());
    EXPECT_TRUE(rig.timerRuns());

    rig.qc->in_State_On_s = false;   // the off command went through
    rig.qc->in_State_Off_s = true;
    rig.sut->releaseQCBlock();
    rig.advance(1000);
    rig.pass();
    EXPECT_EQ(rig.commands(), Commands{on});
    EXPECT_TRUE(rig.timerRuns());

    rig.qc->in_State_On_s = true;
    rig.qc->in_State_Off_s = false;
    rig.advance(1000);
    rig.pass();
    EXPECT_TRUE(rig.logged("RavnaLogic(timerInfo): check QC [OK]"));
    EXPECT_FALSE(rig.timerRuns());
}

// --- automatic control of the tie

TEST(BusTie, ControlWakesTheTieAndStartsTheCheckOnce)
{
    BusTieRig rig;
    rig.startUp();
    ASSERT_FALSE(rig.timerRuns());

    rig.sut->startQCControl();
    rig.sut->startQCControl();
    EXPECT_EQ(rig.commands(), (Commands{AutomatMessage::cmdWake, AutomatMessage::cmdWake}));
    EXPECT_TRUE(rig.timerRuns());

    rig.sut->stopQCControl();
    EXPECT_EQ(rig.commands(), Commands{AutomatMessage::cmdSleep});
    EXPECT_FALSE(rig.timerRuns());

    rig.sut->startQCControl();
    EXPECT_TRUE(rig.timerRuns());

    rig.sut->resetQC();
    EXPECT_EQ(rig.commands(), (Commands{AutomatMessage::cmdWake, AutomatMessage::cmdReset}));
}

TEST(BusTie, StateReportOfTheTieAppliesTheRuleOnlyUnderControl)
{
    BusTieRig rig;
    rig.startUp();
    rig.plant(0, Position::open);
    auto report = [&](UniSetTypes::ObjectId from, AutomatMessage::Kind kind) {
        rig.sut->push(AutomatMessage(kind, AutomatMessage::stOff, from, UniSetTypes::Message::Medium).transport());
        rig.pass();
        return rig.commands();
    };

    EXPECT_TRUE(report(rig.qc->getId(), AutomatMessage::kState).empty()) << "control off";

    rig.sut->startQCControl();
    rig.commands();
    EXPECT_EQ(report(rig.qc->getId(), AutomatMessage::kState), Commands{on});
    EXPECT_TRUE(report(rig.qc->getId(), AutomatMessage::kProtection).empty());
    EXPECT_TRUE(report(rig.world.id("Supervisor"), AutomatMessage::kState).empty());
}

// --- the station's reserve power

TEST(BusTie, StationReserveIsGroupOnesAcrossAClosedTieAndBothAcrossAnOpenOne)
{
    BusTieRig rig;
    rig.startUp();
    rig.world.set("Group1_Reserv_AS", 300);
    rig.world.set("Group2_Reserv_AS", 200);

    rig.world.set("QC_On_S", 1);
    rig.pass();
    EXPECT_EQ(rig.world.get("SES_Reserv_AS"), 300);

    rig.world.set("QC_On_S", 0);
    rig.pass();
    EXPECT_EQ(rig.world.get("SES_Reserv_AS"), 500);
}

// --- settings

namespace
{
    struct CheckTimeCase
    {
        const char* name;
        std::string attribute;
        long period;
    };

    class CheckTime : public ::testing::TestWithParam<CheckTimeCase>
    {
    };
}

TEST_P(CheckTime, IsAPositivePeriodOrOneSecond)
{
    BusTieRig rig({{R"(checkTime="1000")", GetParam().attribute}});
    rig.sut->startQCControl();
    EXPECT_EQ(rig.sut->getTimeInterval(0), GetParam().period);
}

INSTANTIATE_TEST_SUITE_P(Cases, CheckTime,
                         ::testing::Values(CheckTimeCase{"Given", R"(checkTime="2500")", 2500},
                                           CheckTimeCase{"Absent", "", 1000},
                                           CheckTimeCase{"Zero", R"(checkTime="0")", 1000},
                                           CheckTimeCase{"Negative", R"(checkTime="-20")", 1000}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- a lock not had in time refuses and touches nothing

TEST(BusTie, PrepareThatCannotLockSetsNoBlock)
{
    BusTieRig rig;
    rig.startUp();
    rig.plant(3, Position::closed);

    rig.sut->qcMutex.lock();
    EXPECT_FALSE(rig.sut->prepareQC(true));
    rig.sut->qcMutex.unlock();
    EXPECT_TRUE(rig.logged("RavnaLogic(prepareQC): RavnaLogic_qcMutex not locked in 1000 msec"));
    EXPECT_TRUE(rig.commands().empty());

    rig.message("QC_On_S", 1);
    EXPECT_EQ(rig.commands(), Commands{off}) << "the rule is not held";
}

TEST(BusTie, ReleaseThatCannotLockKeepsTheBlock)
{
    BusTieRig rig;
    rig.startUp();
    rig.plant(3, Position::open);
    ASSERT_TRUE(rig.sut->prepareQC(true));
    rig.plant(3, Position::closed);

    rig.sut->qcMutex.lock();
    EXPECT_FALSE(rig.sut->releaseQCBlock()) << "the caller is told to release again";
    rig.sut->qcMutex.unlock();
    rig.message("QC_On_S", 1);

    EXPECT_TRUE(rig.logged("RavnaLogic(releaseQCBlock): RavnaLogic_qcMutex not locked in 1700 msec"));
    EXPECT_TRUE(rig.commands().empty()) << "still held for the switching";
}

namespace
{
    struct LockedCheckCase
    {
        const char* name;
        bool control;       // automatic control of the tie on
        Commands later;     // once the lock is free and a check period has passed
    };

    class LockedRuleCheck : public ::testing::TestWithParam<LockedCheckCase>
    {
    };
}

TEST_P(LockedRuleCheck, IsMadeByTheCheckTimerOnceTheLockIsFreeOnlyUnderControl)
{
    const LockedCheckCase& c = GetParam();
    BusTieRig rig;
    rig.startUp();
    if (c.control)
    {
        rig.sut->startQCControl();
        rig.advance(1000);
        rig.pass();
        ASSERT_FALSE(rig.timerRuns()) << "the tie as the rule wants: the check stops";
        rig.commands();
    }
    rig.plant(3, Position::closed);

    rig.sut->qcMutex.lock();
    rig.message("QC_On_S", 1);
    rig.sut->qcMutex.unlock();
    EXPECT_TRUE(rig.commands().empty());
    EXPECT_TRUE(rig.logged("RavnaLogic(forceQC): RavnaLogic_qcMutex not locked in 1500 msec, the check timer "
                           "applies the rule later"));
    EXPECT_EQ(rig.timerRuns(), c.control);

    rig.advance(1000);
    rig.pass();
    EXPECT_EQ(rig.commands(), c.later);
}

INSTANTIATE_TEST_SUITE_P(Cases, LockedRuleCheck,
                         ::testing::Values(LockedCheckCase{"UnderControl", true, {off}},
                                           LockedCheckCase{"ControlOff", false, {}}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- the stations' threads, the supervision's and the logic's own meet

TEST(BusTieThreads, PrepareReleaseAndControlFromOtherThreadsWhileTheLoopRuns)
{
    BusTieRig rig({}, {"test", "--sleep-msec", "1"});
    uniset::setClock(nullptr);   // real threads wait on real time
    rig.plant(2, Position::closed);
    rig.sut->activateObject();
    rig.sut->push(UniSetTypes::SystemMessage(UniSetTypes::SystemMessage::StartUp).transport());

    std::atomic<bool> stop{false};
    std::thread loop([&] {
        while (!stop)
            rig.sut->callback();
    });
    std::vector<std::thread> stations;
    for (bool closing : {true, false})
    {
        stations.emplace_back([&, closing] {
            for (int i = 0; i < 100; ++i)
            {
                rig.sut->prepareQC(closing);
                rig.sut->releaseQCBlock();
            }
        });
    }
    std::thread supervision([&] {
        for (int i = 0; i < 50; ++i)
        {
            rig.sut->startQCControl();
            rig.sut->resetQC();
            rig.sut->stopQCControl();
        }
    });
    for (int i = 0; i < 50; ++i)
        rig.world.set("QGM3_On_S", i % 2);

    for (auto& t : stations)
        t.join();
    supervision.join();
    stop = true;
    loop.join();

    EXPECT_FALSE(rig.commands().empty());
}
