// The station object beside its modes: the leader's reserve demand, the mode-change
// protocol, the end on terminate, the supervision's queries and commands, and the
// per-pass work (control switches, life sign, measurements, alarm messages, timers).
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <limits>
#include <thread>

#include "Exceptions.h"
#include "SEESAutoWaitingMode.h"
#include "SEESMode.h"
#include "SEESProtectionMode.h"
#include "SEESWaitingMode.h"
#include "StationRig.h"

using namespace station_test;
using namespace UniSetTypes;

namespace
{
    const Report needOn{SEESMessage::NeedOnReserv, 1};
    const Report needOff{SEESMessage::NeedOffReserv, 1};

    // A started station asleep, its QG as given; what it has read is then set by the test.
    std::unique_ptr<StationRig> asleep(bool qgOn, const Settings& settings = {})
    {
        auto rig = std::make_unique<StationRig>(settings);
        rig->startUp();
        rig->set("QG_State_as", qgOn ? 1 : 0);
        rig->quiesce();
        rig->owner().takeReports();
        rig->owner().takeCalls();
        return rig;
    }

    void leader(SEES& s, bool isLeader = true)
    {
        s.in_CtlMode_f = 3;
        s.in_Leader_f = isLeader;
    }
}

// --- the leader's reserve demand

struct Demand
{
    const char* name;
    long control = 3;
    bool isLeader = true;
    bool qgOn = true;
    std::vector<const char*> signals = {};
    bool required = false;
    bool protection = false;
    int load20 = 0;
    bool on = false;
    bool off = false;
};

void PrintTo(const Demand& d, std::ostream* os) { *os << d.name; }

class ReserveDemand : public ::testing::TestWithParam<Demand>
{
};

TEST_P(ReserveDemand, FollowsTheLeadersLoad)
{
    const Demand& d = GetParam();
    auto rig = asleep(d.qgOn);
    SEES& sut = rig->station();
    sut.in_CtlMode_f = d.control;
    sut.in_Leader_f = d.isLeader;
    for (const char* signal : d.signals)
    {
        rig->set(signal, 1);
        sut.getState(rig->sensor(signal));
    }
    sut.requiredReserv = d.required;
    sut.load20State = d.load20;

    if (d.protection)
        sut.setProtection(true);
    else
        sut.updateNeedReservCommand();

    EXPECT_EQ(sut.needReservOn(), d.on);
    EXPECT_EQ(sut.needReservOff(), d.off);
    std::vector<Report> expected;
    if (d.off)
        expected.push_back(needOff);
    if (d.on)
        expected.push_back(needOn);
    EXPECT_EQ(rig->owner().takeReports(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    TruthTable, ReserveDemand,
    ::testing::Values(Demand{.name = "ManualControl", .control = 2, .signals = {"Overload95_S"}},
                      Demand{.name = "NotTheLeader", .isLeader = false, .signals = {"ForceOn_S"}},
                      Demand{.name = "LeaderAtEase"},
                      Demand{.name = "Overload95", .signals = {"Overload95_S"}, .on = true},
                      Demand{.name = "Overload105", .signals = {"Overload105_S"}, .on = true},
                      Demand{.name = "Warning", .signals = {"Warning_S"}, .on = true},
                      Demand{.name = "GroupRequiresReserve", .required = true, .on = true},
                      Demand{.name = "ForcedOn", .signals = {"ForceOn_S"}, .on = true},
                      Demand{.name = "OverloadWithTheQGOpen", .qgOn = false, .signals = {"Overload95_S"}},
                      Demand{.name = "ProtectionWithTheQGOpen", .qgOn = false, .protection = true, .on = true},
                      Demand{.name = "LowLoadConfirmed", .signals = {"Overload20_S"}, .load20 = 2, .off = true},
                      Demand{.name = "LowLoadStillFiltered", .signals = {"Overload20_S"}, .load20 = 1},
                      Demand{.name = "LowLoadWhileOverloaded", .signals = {"Overload20_S", "Overload95_S"},
                             .load20 = 2, .on = true},
                      Demand{.name = "ForcedOffWhateverTheLoad", .signals = {"ForceOff_S", "Overload95_S"},
                             .on = true, .off = true},
                      Demand{.name = "ForcedOffWithTheQGOpen", .qgOn = false, .signals = {"ForceOff_S"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReserveDemand, ReportsEachChangeOnceAndTheStopDemandFirst)
{
    auto rig = asleep(true);
    SEES& sut = rig->station();
    leader(sut);
    sut.in_Overload95_S = true;
    sut.in_Overload20_S = true;
    sut.load20State = 2;
    sut.updateNeedReservCommand();
    sut.updateNeedReservCommand();
    EXPECT_EQ(rig->owner().takeReports(), std::vector<Report>{needOn});

    sut.in_Overload95_S = false;
    sut.updateNeedReservCommand();
    EXPECT_EQ(rig->owner().takeReports(), (std::vector<Report>{needOff, {SEESMessage::NeedOnReserv, 0}}));

    leader(sut, false);
    sut.updateNeedReservCommand();
    EXPECT_EQ(rig->owner().takeReports(), (std::vector<Report>{{SEESMessage::NeedOffReserv, 0}}));
}

TEST(ReserveDemand, TheForceSignalsAndQGButtonsRecomputeIt)
{
    auto rig = asleep(true);
    leader(rig->station());
    rig->set("ForceOff_S", 1);
    rig->quiesce();
    EXPECT_EQ(rig->owner().takeReports(), std::vector<Report>{needOff});
    rig->set("ForceOn_S", 1);
    rig->quiesce();
    EXPECT_EQ(rig->owner().takeReports(), std::vector<Report>{needOn});
    rig->station().in_ForceOff_S = false;
    rig->set("QG_Off_s", 1);
    rig->quiesce();
    EXPECT_EQ(rig->owner().takeReports(), (std::vector<Report>{{SEESMessage::NeedOffReserv, 0}}));
}

// --- the mode-change protocol

namespace
{
    // A mode of the test's own that writes what is done to it.
    class TraceMode : public SEESMode
    {
    public:
        TraceMode(std::string n, std::vector<std::string>& t) : name(std::move(n)), trace(t) {}
        bool activate(SEES*) override
        {
            trace.push_back("activate " + name);
            if (refuses)
                throw Exception(name + " refuses");
            return true;
        }
        bool deactivate(SEES*) override
        {
            trace.push_back("deactivate " + name);
            return true;
        }
        std::string getName() const override { return name; }

        bool refuses = false;

    private:
        std::string name;
        std::vector<std::string>& trace;
    };
}

// Two modes of the test's own, the station in A.
class ChangeMode : public ::testing::Test
{
protected:
    void SetUp() override
    {
        sut.changeMode(&a);
        trace.clear();
    }

    std::unique_ptr<StationRig> rig = asleep(true);
    SEES& sut = rig->station();
    std::vector<std::string> trace;
    TraceMode a{"A", trace};
    TraceMode b{"B", trace};
};

TEST_F(ChangeMode, RunsTheOldModesExitThenTheNewModesEntry)
{
    leader(sut);
    sut.in_Warning_S = true;

    sut.changeMode(&b);

    EXPECT_EQ(sut.currentMode(), &b);
    EXPECT_EQ(trace, (std::vector<std::string>{"deactivate A", "activate B"}));
    EXPECT_EQ(rig->owner().takeReports(), std::vector<Report>{needOn}) << "the demand is recomputed on every change";
}

TEST_F(ChangeMode, AFailedEntryBringsTheOldModeBack)
{
    b.refuses = true;

    sut.changeMode(&b);

    EXPECT_EQ(sut.currentMode(), &a);
    EXPECT_EQ(trace, (std::vector<std::string>{"deactivate A", "activate B", "activate A"}));
    EXPECT_NE(rig->log().find("SES1(changeMode): не удалось сменить режим: B refuses"), std::string::npos);
}

TEST_F(ChangeMode, ARestoreThatFailsTooEndsTheRound)
{
    a.refuses = b.refuses = true;

    EXPECT_THROW(sut.changeMode(&b), Exception);

    EXPECT_EQ(sut.currentMode(), &a);
    EXPECT_EQ(trace, (std::vector<std::string>{"deactivate A", "activate B", "activate A"}));
}

TEST(WaitingModeGetters, OnlyTheWaitingModeKeepsThePreviousCommand)
{
    auto rig = asleep(false);
    SEES& sut = rig->station();
    sut.command = cmdQGOff;

    SEESMode* waiting = SEESWaitingMode::Instance(&sut, cmdRun, SEESProtectionMode::Instance(), 0);
    SEESWaitingMode::Instance(&sut, cmdRun, SEESProtectionMode::Instance(), 0);
    EXPECT_EQ(sut.prevCommand, cmdRun) << "a getter called twice keeps the first call's command";
    sut.prevCommand = cmdQGOff;
    sut.changeMode(waiting);
    EXPECT_EQ(sut.prevCommand, cmdQGOff);

    sut.changeMode(SEESAutoWaitingMode::Instance(&sut, cmdQGOn, SEESProtectionMode::Instance(), 2));
    EXPECT_EQ(sut.prevCommand, cmdQGOn);
    EXPECT_EQ(sut.command, cmdQGOn);
    EXPECT_EQ(sut.attemptCount, 2);
    EXPECT_EQ(sut.attempts, 0);
}

// --- terminate

TEST(Terminate, LeavesEveryCommandOffTheTimersCancelledAndTheLampsDark)
{
    StationRig rig;
    rig.set("CtlMode_f", 2);
    rig.startUp();
    rig.set("DG_Start_s", 1);
    rig.quiesce();
    SEES& sut = rig.station();
    ASSERT_EQ(rig.value("DG_Start_C"), 1);
    sut.setProtection(true);
    sut.setLamp(sut.lmpQG_OFF_c, 1);
    rig.quiesce();

    sut.sigterm(SIGTERM);

    for (const char* out : {"DG_Start_C", "DG_Stop_C", "QG_On_C", "QG_Off_C", "lmpDG_ON_c", "lmpDG_OFF_c",
                            "lmpQG_ON_c", "lmpQG_OFF_c", "postID", "Protection_BS"})
        EXPECT_EQ(rig.value(out), 0) << out;
    EXPECT_EQ(rig.value("ControlMode_f"), 1);
    for (int id : {tmRun, tmOff, tmQG, tmCooling})
        EXPECT_FALSE(rig.timerAsked(id)) << id;
    EXPECT_FALSE(sut.active);

    rig.set("DG_Stop_s", 1);
    sut.callback();
    EXPECT_GT(sut.countMessages(), 0u) << "a terminated station handles nothing more";
}

// --- the supervision's queries and commands

struct Eligibility
{
    const char* name;
    bool protection = false;
    int recorded = 3;
    bool isLeader = false;
    long state = 0;
    bool start = false;
    bool stop = false;
    int spare = 0;
};

void PrintTo(const Eligibility& e, std::ostream* os) { *os << e.name; }

class ReserveEligibility : public ::testing::TestWithParam<Eligibility>
{
};

TEST_P(ReserveEligibility, FollowsProtectionControlRoleAndState)
{
    const Eligibility& e = GetParam();
    auto rig = asleep(false);
    SEES& sut = rig->station();
    sut.setControlMode(e.recorded);
    sut.in_CtlMode_f = 3;
    sut.in_Leader_f = e.isLeader;
    sut.in_state_as = e.state;
    sut.reservPower = 40;
    sut.setProtection(e.protection);

    EXPECT_EQ(sut.canReservStart(), e.start);
    EXPECT_EQ(sut.canReservStop(), e.stop);
    EXPECT_EQ(sut.getReservPower(), e.spare);
}

INSTANTIATE_TEST_SUITE_P(
    Station, ReserveEligibility,
    ::testing::Values(Eligibility{.name = "StoppedReserve", .start = true},
                      Eligibility{.name = "RunningReserve", .state = 1, .stop = true, .spare = 40},
                      Eligibility{.name = "InProtection", .protection = true, .state = 1},
                      Eligibility{.name = "TheLeader", .isLeader = true, .state = 1, .spare = 40},
                      Eligibility{.name = "ModesActOnManualControl", .recorded = 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Services, MeasurementsCountOnlyWhileTheQGIsClosed)
{
    auto rig = asleep(false);
    SEES& sut = rig->station();
    rig->set("P_as", 30);
    rig->set("U_as", 400);
    rig->set("F_as", 50);
    rig->advance(500);
    rig->quiesce();
    EXPECT_EQ(sut.getP(), 0);
    EXPECT_EQ(sut.getU(), 0);
    EXPECT_EQ(sut.getF(), 0);
    EXPECT_EQ(sut.reservPower, 70);

    rig->set("QG_On_S", 1);
    rig->quiesce();
    EXPECT_EQ(sut.getP(), 30);
    EXPECT_EQ(sut.getU(), 400);
    EXPECT_EQ(sut.getF(), 50);
}

// A failed read is no reading: the spare power must not jump to the whole set's.
TEST(Services, AFailedMeasurementKeepsTheLastGoodOne)
{
    auto rig = asleep(false);
    SEES& sut = rig->station();
    rig->set("P_as", 30);
    rig->advance(500);
    rig->quiesce();
    const size_t logMark = rig->log().size();

    sut.power_as = 99999;
    rig->advance(500);
    rig->quiesce();

    EXPECT_EQ(sut.curP, 30);
    EXPECT_EQ(sut.reservPower, 70);
    EXPECT_NE(rig->log().find("SES1(seesInfo): ", logMark), std::string::npos);
}

// A reading no plant gives (a broken converter, a stray write) is pinned into the
// station's int figures: the spare power neither overflows nor turns round.
struct AbsurdReading
{
    const char* name;
    int64_t reading;
    int figure;
    int spare;   // of a set of 100
};

void PrintTo(const AbsurdReading& a, std::ostream* os) { *os << a.name; }

class AbsurdReadings : public ::testing::TestWithParam<AbsurdReading>
{
};

TEST_P(AbsurdReadings, ArePinnedIntoTheFigures)
{
    const AbsurdReading& a = GetParam();
    auto rig = asleep(false);
    SEES& sut = rig->station();
    rig->set("QG_On_S", 1);
    for (const char* sensor : {"P_as", "U_as", "F_as"})
        rig->set(sensor, a.reading);
    rig->advance(500);
    rig->quiesce();

    EXPECT_EQ(sut.getP(), a.figure);
    EXPECT_EQ(sut.getU(), a.figure);
    EXPECT_EQ(sut.getF(), a.figure);
    EXPECT_EQ(sut.reservPower, a.spare);
}

INSTANTIATE_TEST_SUITE_P(
    Station, AbsurdReadings,
    ::testing::Values(AbsurdReading{"JustBeyondInt", int64_t{1} << 31, std::numeric_limits<int>::max(),
                                    100 - std::numeric_limits<int>::max()},
                      AbsurdReading{"MostNegative", std::numeric_limits<int64_t>::min(),
                                    std::numeric_limits<int>::min(), std::numeric_limits<int>::max()}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Services, ReserveCommandsAndRoles)
{
    auto rig = asleep(false);
    SEES& sut = rig->station();

    sut.commandReservOn();
    EXPECT_EQ(rig->value("cmd_OnReserv_f"), 1);
    EXPECT_EQ(rig->value("cmd_OffReserv_f"), 0);
    sut.commandReservOff();
    EXPECT_EQ(rig->value("cmd_OnReserv_f"), 0);
    EXPECT_EQ(rig->value("cmd_OffReserv_f"), 1);
    sut.resetReservCommands();
    EXPECT_EQ(rig->value("cmd_OffReserv_f"), 0);

    sut.setReserv(true);
    EXPECT_EQ(rig->value("Leader_f"), 1);
    sut.setAlone(true);
    EXPECT_FALSE(sut.out_NotAlone_C);
    sut.setAlone(false);
    EXPECT_TRUE(sut.out_NotAlone_C);

    rig->set("CtlMode_f", 3);
    rig->set("Priority_s", 2);
    rig->set("state_as", 1);
    rig->quiesce();
    EXPECT_TRUE(sut.isAutoMode());
    EXPECT_TRUE(sut.isLeader());
    EXPECT_FALSE(sut.isReserv());
    EXPECT_TRUE(sut.isOn());
    EXPECT_FALSE(sut.isOff());
    EXPECT_EQ(sut.getPriority(), 2);
    // What the station read, without a message its automatic modes would act on.
    sut.in_state_as = 4;
    EXPECT_FALSE(sut.isOn());
    EXPECT_FALSE(sut.isOff()) << "a set on its way is neither";
    sut.in_state_as = 0;
    EXPECT_TRUE(sut.isOff());
}

TEST(Services, CommandExpiryOnlyInTheAutomaticWaitingMode)
{
    auto rig = asleep(false);
    SEES& sut = rig->station();
    sut.changeMode(SEESAutoWaitingMode::Instance(&sut, cmdQGOff, SEESProtectionMode::Instance(), 0));
    sut.resetCommandTimer();
    EXPECT_FALSE(sut.isOffCommandExpired());
    rig->advance(sut.modeTime);
    EXPECT_TRUE(sut.isOffCommandExpired());
    EXPECT_FALSE(sut.isOnCommandExpired());
    sut.command = cmdRun;
    EXPECT_TRUE(sut.isOnCommandExpired());

    sut.changeMode(SEESProtectionMode::Instance());
    EXPECT_FALSE(sut.isOnCommandExpired());
}

TEST(Services, ATimerOfZeroCancels)
{
    auto rig = asleep(false);
    rig->station().setTimer(tmRun, 1000);
    EXPECT_TRUE(rig->timerAsked(tmRun));
    rig->station().setTimer(tmRun, 0);
    EXPECT_FALSE(rig->timerAsked(tmRun));
}

// --- events and the per-pass work

TEST(Events, ResetIsRepeatedAndPriorityReportedWithoutTheMode)
{
    auto rig = asleep(false);
    rig->set("Reset_s", 1);
    rig->station().callback();
    EXPECT_EQ(rig->value("Reset_C"), 1);

    rig->set("Priority_s", 4);
    rig->quiesce();
    EXPECT_EQ(rig->owner().takeReports(), (std::vector<Report>{{SEESMessage::PriorityChange, 0}}));
}

TEST(Events, ControlSwitchesThatDisagreeAreToleratedForTheUnbalanceTime)
{
    auto rig = asleep(false);
    auto switches = [&](long d, long a, long q) {
        rig->set("DG_RemoteControl_s", d);
        rig->set("CtlMode_Auto_s", a);
        rig->set("QG_RemoteControl_s", q);
        rig->quiesce();
    };
    auto later = [&](int ms) {
        rig->advance(ms);
        rig->quiesce();
    };
    switches(1, 1, 1);
    EXPECT_EQ(rig->value("ControlMode_f"), 3);

    switches(1, 1, 0);
    EXPECT_EQ(rig->value("ControlMode_f"), 3) << "kept while the switches may be moving";
    EXPECT_EQ(rig->value("CtlMode_QG_bs"), 1);
    later(1000);
    EXPECT_EQ(rig->value("ControlMode_f"), 0);
    switches(1, 1, 1);
    EXPECT_EQ(rig->value("ControlMode_f"), 3);

    switches(0, 1, 1);
    later(600);
    EXPECT_EQ(rig->value("ControlMode_f"), 3) << "a second unbalance starts its own time";
    later(400);
    EXPECT_EQ(rig->value("ControlMode_f"), 0);
    const std::string log = rig->log();
    size_t lines = 0;
    for (size_t at = log.find("SES1: UNBALANCE CONTROL! "); at != std::string::npos;
         at = log.find("SES1: UNBALANCE CONTROL! ", at + 1))
        ++lines;
    EXPECT_EQ(lines, 2u);

    switches(0, 0, 1);
    EXPECT_EQ(rig->value("ControlMode_f"), 1);
    switches(1, 0, 0);
    EXPECT_EQ(rig->value("ControlMode_f"), 2);
}

TEST(Events, TheLifeSignTogglesEveryPingPeriodTheOptionWinning)
{
    StationRig rig(Settings{{"ping_msec", "2000"}}, {"--ses-ping-msec", "3000"});
    rig.startUp();
    const long first = rig.value("Ping_C");
    rig.advance(2000);
    rig.quiesce();
    EXPECT_EQ(rig.value("Ping_C"), first);
    rig.advance(1000);
    rig.quiesce();
    EXPECT_NE(rig.value("Ping_C"), first);
}

// The hold time clears every message in shared memory: the same alarm again is raised again.
TEST(Events, AnAlarmRaisedAgainAfterTheHoldTimeIsWrittenAgain)
{
    StationRig rig(Settings{{"resetMsgTime", "2000"}});
    rig.startUp();
    SEES& sut = rig.station();
    sut.raise(sut.mid_NotOn);
    EXPECT_EQ(rig.value("mid_NotOn"), 1);
    rig.advance(2000);
    rig.quiesce();
    EXPECT_EQ(rig.value("mid_NotOn"), 0);

    sut.raise(sut.mid_NotOn);
    EXPECT_EQ(rig.value("mid_NotOn"), 1);
}

// A one-shot timer that fired while the mode ignored it is asked no more: asking it
// again with the same time must ask it.
TEST(Events, AFiredTimerCanBeAskedAgain)
{
    auto rig = asleep(false);
    SEES& sut = rig->station();
    sut.startTimer(tmRun, 1000);
    rig->advance(1000);
    rig->quiesce();
    ASSERT_FALSE(rig->timerAsked(tmRun));

    sut.startTimer(tmRun, 1000);
    EXPECT_TRUE(rig->timerAsked(tmRun));
}

// The supervision's thread asks and commands while the station's own thread runs
// its modes: every value they share is read whole.
TEST(Threads, SupervisionCallsMeetTheStationsThread)
{
    StationRig rig;
    rig.set("CtlMode_f", 2);
    rig.startUp();
    SEES& sut = rig.station();
    std::atomic<bool> stop{false};
    std::thread supervision([&] {
        int n = 0;
        while (!stop)
        {
            sut.setRequiredReserv(++n % 2 == 0);
            sut.setAlone(n % 3 == 0);
            (void)sut.getControlMode();
            (void)sut.needReservOn();
            (void)sut.needReservOff();
            (void)sut.isProtection();
            (void)sut.canReservStart();
            (void)sut.canReservStop();
            (void)sut.getReservPower();
            (void)sut.getP();
            (void)sut.isOn();
            (void)sut.isOffCommandExpired();
            (void)sut.isOnCommandExpired();
        }
    });
    for (int round = 0; round < 20; ++round)
    {
        rig.set("DG_Start_s", 1);
        rig.set("DG_Start_s", 0);
        rig.quiesce();
        rig.plant({1, 1, 0, 9});
        rig.plant({1, 1, 0, 2});
        rig.plant({0, 0, 0, 0});
        rig.set("Reset_s", 1);
        rig.set("Reset_s", 0);
        rig.quiesce();
    }
    stop = true;
    supervision.join();
    // A lock the other thread holds moves the manual clock by its time-out, so
    // where the station ends is not fixed; that it reported its way is.
    EXPECT_FALSE(rig.owner().takeReports().empty());
}
