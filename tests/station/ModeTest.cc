// The station's modes, one row per transition: the mode the station is in, what
// happens, and what a person then sees: the next mode, the command outputs, lamps,
// alarm messages, reports and calls to the supervision, the timers left running and
// the log.
#include <array>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <set>

#include "SEESAutoWaitingMode.h"
#include "SEESMode.h"
#include "StationRig.h"

using namespace station_test;
using namespace UniSetTypes;

namespace
{
    enum class Start
    {
        constructed,   // not started yet
        sleep,
        off,
        on,
        running,
        protection,    // from Off, the set tripped (units off)
        protectionAuto,// under automatic control
        cooling,
        starting,      // Waiting, command 5
        stopping,      // Waiting, command 0 (after the cooling run)
        closing,       // Waiting, command 1 with the leave
        awaitingLeave, // Waiting, command 1, the leave refused
        opening,       // Waiting, command 13 with the leave
        reserve,       // automatic control, not the leader, the set stopped
        onReserve,     // the same with the set on the busbar
        leader,        // automatic control, the leader, the set stopped
        onLeader,      // the same with the set on the busbar
        autoStarting,  // AutoWaiting, command 5: a reserve start
        autoClosing,   // AutoWaiting, command 1 with the leave, after the start
        autoAwaitingLeave, // AutoWaiting, command 1, the leave refused
        autoOpening,   // AutoWaiting, command 13 with the leave: a reserve stop
        autoStopping   // AutoWaiting, command 0, after the QG open and the cooling run
    };

    using Event = std::function<void(StationRig&)>;

    Event sense(const char* role, long value)
    {
        return [=](StationRig& r) {
            r.set(role, value);
            r.quiesce();
        };
    }
    // The operator's button: a short press, released before the station looks at it.
    Event press(const char* role)
    {
        return [=](StationRig& r) {
            r.set(role, 1);
            r.set(role, 0);
            r.quiesce();
        };
    }
    Event plant(Plant p)
    {
        return [=](StationRig& r) { r.plant(p); };
    }
    Event wait(int ms)
    {
        return [=](StationRig& r) {
            r.advance(ms);
            r.quiesce();
        };
    }
    // Time in steps, so that a repeating timer fires at each of them.
    Event waitSteps(int steps, int ms)
    {
        return [=](StationRig& r) {
            for (int i = 0; i < steps; ++i)
                wait(ms)(r);
        };
    }
    // A message as shared memory would send it, whether or not the value changed.
    Event message(const char* role, long value)
    {
        return [=](StationRig& r) {
            r.station().push(SensorMessage(r.sensor(role), value, UniversalIO::AnalogInput).transport());
            r.quiesce();
        };
    }
    Event timer(int id)
    {
        return [=](StationRig& r) {
            r.station().push(TimerMessage(id).transport());
            r.quiesce();
        };
    }
    Event watchdog()
    {
        return [](StationRig& r) {
            r.station().push(SystemMessage(SystemMessage::WatchDog).transport());
            r.quiesce();
        };
    }
    Event then(Event a, Event b)
    {
        return [=](StationRig& r) {
            a(r);
            b(r);
        };
    }
    // The store refuses every ask for one sensor while the event runs.
    Event failingAsks(const char* role, Event e)
    {
        return [=](StationRig& r) {
            testing_support::ScopedFailingStore failing(r.world());
            failing.store.failAsks = {r.sensor(role)};
            e(r);
        };
    }
    Event startUp()
    {
        return [](StationRig& r) { r.startUp(); };
    }
    // What the station last read, changed without a message (as after a lost one).
    Event seen(std::function<void(SEES&)> change)
    {
        return [=](StationRig& r) { change(r.station()); };
    }

    const Plant allOff{0, 0, 0, 0};
    const Plant allOn{1, 1, 1, 1};
    const Plant running{1, 1, 0, 9};
    const Plant tripped{0, 0, 0, 2};

    struct Commands
    {
        long start = 0;
        long stop = 0;
        long qgOn = 0;
        long qgOff = 0;
        bool operator==(const Commands&) const = default;
    };
    std::ostream& operator<<(std::ostream& os, const Commands& c)
    {
        return os << "{start " << c.start << ", stop " << c.stop << ", qgOn " << c.qgOn << ", qgOff " << c.qgOff << "}";
    }

    using Lamps = std::array<long, 4>; // DG on, DG off, QG on, QG off

    struct Row
    {
        const char* name;
        Start start;
        Event event;
        const char* next;
        Commands commands = {};
        std::vector<Report> reports = {};
        std::vector<std::string> calls = {};
        std::set<int> timers = {};          // the station's timers still asked
        const char* raised = nullptr;       // an alarm message raised by the event
        const char* log = nullptr;          // a text the event writes to the log
        int logTimes = 0;                   // how often it is written, when that matters
        std::optional<Lamps> lamps = {};
        int command = -1;                   // the pending command, when it matters
        Event before = {};                  // answers of the owner, switches: before the arrangement
        Settings settings = {};             // of the station's node
    };

    void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

    void arrange(StationRig& r, Start s)
    {
        switch (s)
        {
        case Start::constructed:
            return;
        case Start::sleep:
            r.startUp();
            return;
        case Start::off:
            r.set("CtlMode_f", 2);
            r.startUp();
            return;
        case Start::on:
            r.plant(allOn);
            arrange(r, Start::off);
            return;
        case Start::running:
            r.plant(running);
            arrange(r, Start::off);
            return;
        case Start::protection:
            arrange(r, Start::off);
            r.plant(tripped);
            return;
        case Start::protectionAuto:
            r.set("CtlMode_f", 3);
            r.startUp();
            r.plant(tripped);
            return;
        case Start::cooling:
            arrange(r, Start::running);
            press("DG_Stop_s")(r);
            return;
        case Start::starting:
            arrange(r, Start::off);
            press("DG_Start_s")(r);
            return;
        case Start::stopping:
            arrange(r, Start::cooling);
            wait(20000)(r);
            return;
        case Start::closing:
            arrange(r, Start::running);
            press("QG_On_s")(r);
            return;
        case Start::awaitingLeave:
            r.owner().leaveAnswer = false;
            arrange(r, Start::closing);
            return;
        case Start::opening:
            arrange(r, Start::on);
            press("QG_Off_s")(r);
            return;
        case Start::reserve:
            r.set("CtlMode_f", 3);
            r.startUp();
            return;
        case Start::onReserve:
            r.plant(allOn);
            arrange(r, Start::reserve);
            return;
        case Start::leader:
            r.set("Leader_f", 1);
            arrange(r, Start::reserve);
            return;
        case Start::onLeader:
            r.plant(allOn);
            arrange(r, Start::leader);
            return;
        case Start::autoStarting:
            arrange(r, Start::reserve);
            sense("cmd_OnReserv_f", 1)(r);
            return;
        case Start::autoClosing:
            arrange(r, Start::autoStarting);
            r.plant(running);
            return;
        case Start::autoAwaitingLeave:
            r.owner().leaveAnswer = false;
            arrange(r, Start::autoClosing);
            return;
        case Start::autoOpening:
            arrange(r, Start::onReserve);
            sense("cmd_OffReserv_f", 1)(r);
            return;
        case Start::autoStopping:
            arrange(r, Start::autoOpening);
            r.plant(running);
            wait(20000)(r);
            return;
        }
    }

    std::set<int> askedTimers(StationRig& r)
    {
        std::set<int> out;
        for (int id = 1; id <= 12; ++id)
            if (r.timerAsked(id))
                out.insert(id);
        return out;
    }

    class StationMode : public ::testing::TestWithParam<Row>
    {
    };

    TEST_P(StationMode, LeadsWhereTheTableSays)
    {
        const Row& row = GetParam();
        StationRig rig(row.settings);
        if (row.before)
            row.before(rig);
        arrange(rig, row.start);
        rig.owner().takeCalls();
        rig.owner().takeReports();
        const size_t logMark = rig.log().size();

        row.event(rig);

        EXPECT_EQ(rig.mode(), row.next);
        EXPECT_EQ((Commands{rig.value("DG_Start_C"), rig.value("DG_Stop_C"), rig.value("QG_On_C"),
                            rig.value("QG_Off_C")}),
                  row.commands);
        EXPECT_EQ(rig.owner().takeReports(), row.reports);
        EXPECT_EQ(rig.owner().takeCalls(), row.calls);
        EXPECT_EQ(askedTimers(rig), row.timers);
        if (row.raised)
        {
            EXPECT_EQ(rig.value(row.raised), 1) << row.raised;
        }
        if (row.log)
        {
            EXPECT_NE(rig.log().find(row.log, logMark), std::string::npos)
                << "no \"" << row.log << "\" in\n"
                << rig.log().substr(logMark);
            if (row.logTimes > 0)
            {
                EXPECT_EQ(testing_support::occurrences(rig.log().substr(logMark), row.log),
                          static_cast<size_t>(row.logTimes))
                    << row.log;
            }
        }
        if (row.lamps)
        {
            const Lamps seen{rig.value("lmpDG_ON_c"), rig.value("lmpDG_OFF_c"), rig.value("lmpQG_ON_c"),
                             rig.value("lmpQG_OFF_c")};
            EXPECT_EQ(seen, *row.lamps);
        }
        if (row.command >= 0)
        {
            EXPECT_EQ(rig.station().command, row.command);
        }
    }

    const Report modeOff{SEESMessage::ModeChange, 0};
    const Report modeOn{SEESMessage::ModeChange, 1};
    const Report modeSleep{SEESMessage::ModeChange, 4};
    const Report modeRunning{SEESMessage::ModeChange, 5};
    const Report modeReserv{SEESMessage::ModeChange, 2};
    const Report modeAuto{SEESMessage::ModeChange, 3};
    const Report protectionOn{SEESMessage::Protection, 1};
    const Report protectionOff{SEESMessage::Protection, 0};
    const Report needReserve{SEESMessage::NeedOnReserv, 1};
    const Report needNoReserve{SEESMessage::NeedOnReserv, 0};
    const std::string canRun = "canRun(3)";
    const std::string closeLeave = "acceptQG(3,1)";
    const std::string openLeave = "acceptQG(3,0)";
    const std::string release = "releaseQG(3)";

    std::string rowName(const ::testing::TestParamInfo<Row>& info) { return info.param.name; }

    // --- Sleep: control switched off
    INSTANTIATE_TEST_SUITE_P(
        Sleep, StationMode,
        ::testing::Values(
            // The first look at the priority is reported as a change.
            Row{.name = "StartUpEntersSleep", .start = Start::constructed, .event = startUp(), .next = "SEESSleepMode",
                .reports = {modeSleep, {SEESMessage::PriorityChange, 0}}, .timers = {11}, .raised = "mid_NotReserv",
                .log = "SES1(SEESSleepMode)(activate): Режим АУ отключён", .lamps = Lamps{0, 1, 0, 1}},
            Row{.name = "RemoteControlLeavesThroughInit", .start = Start::sleep, .event = sense("CtlMode_f", 2),
                .next = "SEESOffMode", .reports = {modeOff}, .log = "SES1(SEESInitMode): init state...",
                .lamps = Lamps{0, 1, 0, 1}},
            Row{.name = "LocalControlStays", .start = Start::sleep, .event = sense("CtlMode_f", 1),
                .next = "SEESSleepMode", .timers = {11}},
            Row{.name = "NegativeControlValueIsNoControl", .start = Start::sleep, .event = sense("CtlMode_f", -1),
                .next = "SEESSleepMode", .timers = {11}},
            Row{.name = "ProtectionOnlyRefreshesLamps", .start = Start::sleep, .event = plant({1, 0, 0, 2}),
                .next = "SEESSleepMode", .timers = {11}, .lamps = Lamps{1, 0, 0, 1}},
            Row{.name = "LampsFollowTheUnits", .start = Start::sleep, .event = plant({0, 1, 1, 4}),
                .next = "SEESSleepMode", .timers = {11}, .lamps = Lamps{1, 0, 1, 0}},
            Row{.name = "RefreshTimerUpdatesLamps", .start = Start::sleep,
                .event = then(sense("Diesel_State_as", 1), wait(5000)), .next = "SEESSleepMode", .timers = {11},
                .lamps = Lamps{1, 0, 0, 1}},
            Row{.name = "OtherTimerIgnored", .start = Start::sleep, .event = timer(12), .next = "SEESSleepMode",
                .timers = {11}}),
        rowName);

    // --- A control value no switch gives: control off, told once, asleep until a real value comes
    // The value passes 3 on its way: Init, entered on the 3, reads the value itself.
    Event passingThree(long value)
    {
        return [=](StationRig& r) {
            r.set("CtlMode_f", 3);
            r.set("CtlMode_f", value);
            r.quiesce();
        };
    }
    // Asleep with one line about the value, and still asleep three refresh periods on.
    Row noSuchControlValue(const char* name, Start start, Event event, const char* line)
    {
        return Row{.name = name, .start = start, .event = then(event, waitSteps(3, 5000)), .next = "SEESSleepMode",
                   .reports = {modeSleep}, .timers = {11}, .log = line, .logTimes = 1};
    }
    const char* const seven = "SES1: CtlMode_f=7 (SES1_CtlMode_f): no such control value, control off";
    const char* const million = "SES1: CtlMode_f=1000000 (SES1_CtlMode_f): no such control value, control off";

    INSTANTIATE_TEST_SUITE_P(
        NoSuchControlValue, StationMode,
        ::testing::Values(
            noSuchControlValue("FromOff7", Start::off, sense("CtlMode_f", 7), seven),
            noSuchControlValue("FromOff1000000", Start::off, sense("CtlMode_f", 1000000), million),
            noSuchControlValue("FromOn7", Start::on, sense("CtlMode_f", 7), seven),
            noSuchControlValue("FromOn1000000", Start::on, sense("CtlMode_f", 1000000), million),
            noSuchControlValue("FromInit7", Start::sleep, passingThree(7), seven),
            noSuchControlValue("FromInit1000000", Start::sleep, passingThree(1000000), million),
            Row{.name = "AutomaticControlWakesTheStation", .start = Start::off,
                .event = then(then(sense("CtlMode_f", 7), waitSteps(3, 5000)), sense("CtlMode_f", 3)),
                .next = "SEESReservMode", .reports = {modeSleep, modeReserv}, .log = seven, .logTimes = 1}),
        rowName);

    // --- Off and On: resting under remote manual control
    INSTANTIATE_TEST_SUITE_P(
        OffOn, StationMode,
        ::testing::Values(
            Row{.name = "OffStart", .start = Start::off, .event = press("DG_Start_s"), .next = "SEESWaitingMode",
                .commands = {.start = 1}, .calls = {canRun, canRun}, .timers = {1}, .raised = "mid_starting",
                .log = ": dg run waiting 10000 [msec] ", .lamps = Lamps{2, 1, 0, 1}, .command = 5},
            Row{.name = "OffStartBlocked", .start = Start::off, .event = press("DG_Start_s"), .next = "SEESOffMode",
                .calls = {canRun}, .raised = "mid_BlockedRun", .log = ": blocked run! Ignore command..",
                .before = [](StationRig& r) { r.owner().runAnswer = false; }},
            Row{.name = "OffStopIgnored", .start = Start::off, .event = press("DG_Stop_s"), .next = "SEESOffMode"},
            Row{.name = "OffTripped", .start = Start::off, .event = plant(tripped), .next = "SEESProtectionMode",
                .reports = {protectionOn}, .timers = {11}, .raised = "mid_ProtectionOn",
                .log = "SES1(SEESOffMode):  mPROTECTION mPROTECTION"},
            Row{.name = "OffSetRunsByItself", .start = Start::off, .event = plant(running), .next = "SEESRunningMode",
                .reports = {modeRunning}, .log = ":  state!=mOFF mRunning"},
            Row{.name = "OffRepeatedControlValue", .start = Start::off, .event = message("CtlMode_f", 2),
                .next = "SEESOffMode"},
            Row{.name = "OffAutomaticControl", .start = Start::off, .event = sense("CtlMode_f", 3),
                .next = "SEESReservMode", .reports = {modeReserv}},
            Row{.name = "OffControlSwitchedOff", .start = Start::off, .event = sense("CtlMode_f", 1),
                .next = "SEESSleepMode", .reports = {modeSleep}, .timers = {11},
                .log = "SES1(SEESOffMode): управление отключено..."},
            Row{.name = "OffNegativeControlValue", .start = Start::off, .event = sense("CtlMode_f", -1),
                .next = "SEESSleepMode", .reports = {modeSleep}, .timers = {11}},
            Row{.name = "OffWatchdogRewritesLamps", .start = Start::off,
                .event = then(seen([](SEES& s) { s.setLamp(s.lmpDG_OFF_c, 0); }), watchdog()),
                .next = "SEESOffMode", .lamps = Lamps{0, 1, 0, 1}},
            Row{.name = "OnQGOpen", .start = Start::on, .event = press("QG_Off_s"), .next = "SEESWaitingMode",
                .commands = {.qgOff = 1}, .calls = {openLeave}, .timers = {5},
                .log = ": QG off watiting 3000 [msec] ", .lamps = Lamps{1, 0, 2, 0}, .command = 13},
            Row{.name = "OnQGOpenUnderLocalControl", .start = Start::on,
                .event = then(sense("QG_RemoteControl_s", 0), press("QG_Off_s")), .next = "SEESOnMode",
                .raised = "mid_QG_NotOff_LocalControl", .log = ":  QG_RemoteControl=0. Ignore 'QG OFF' command!",
                .before = [](StationRig& r) { r.set("QG_RemoteControl_s", 1); }},
            Row{.name = "OnStopIgnored", .start = Start::on, .event = press("DG_Stop_s"), .next = "SEESOnMode"},
            Row{.name = "OnQGOpensByItself", .start = Start::on, .event = plant(running), .next = "SEESRunningMode",
                .reports = {modeRunning}, .log = ":  СЭС перешло в другой режим?! mRunning"},
            Row{.name = "OnTripped", .start = Start::on, .event = plant({1, 1, 1, 2}), .next = "SEESProtectionMode",
                .reports = {protectionOn}, .timers = {11}},
            Row{.name = "OnWatchdogRewritesLamps", .start = Start::on,
                .event = then(seen([](SEES& s) { s.setLamp(s.lmpQG_ON_c, 0); }), watchdog()), .next = "SEESOnMode",
                .lamps = Lamps{1, 0, 1, 0}}),
        rowName);

    // --- Waiting: one manual command under way
    INSTANTIATE_TEST_SUITE_P(
        Waiting, StationMode,
        ::testing::Values(
            Row{.name = "StartCompletes", .start = Start::starting, .event = plant(running), .next = "SEESRunningMode",
                .reports = {modeRunning}, .lamps = Lamps{1, 0, 0, 0}},
            Row{.name = "StartTimesOut", .start = Start::starting, .event = wait(10000),
                .next = "SEESProtectionMode", .reports = {protectionOn}, .timers = {11}, .raised = "mid_NotOn",
                .log = ": RUN TIMEOUT! (10000 msec)"},
            Row{.name = "StartEndedByTheSetsAutomation", .start = Start::starting, .event = sense("InfoCode_as", 7),
                .next = "SEESProtectionMode", .reports = {protectionOn}, .timers = {11}},
            Row{.name = "StartIgnoresOtherCodes", .start = Start::starting, .event = sense("InfoCode_as", 11),
                .next = "SEESWaitingMode", .commands = {.start = 1}, .timers = {1}},
            Row{.name = "StartTripped", .start = Start::starting, .event = plant({1, 0, 0, 2}),
                .next = "SEESProtectionMode", .reports = {protectionOn}, .timers = {11}},
            Row{.name = "StartIgnoresTransition", .start = Start::starting, .event = plant({0, 0, 0, 4}),
                .next = "SEESWaitingMode", .commands = {.start = 1}, .timers = {1}},
            Row{.name = "StartRepeated", .start = Start::starting, .event = press("DG_Start_s"),
                .next = "SEESWaitingMode", .commands = {.start = 1}, .timers = {1}, .log = ": repeat RUN command..."},
            // The cancelled start drops its own output: the set must not start after all.
            Row{.name = "StartCancelledByStop", .start = Start::starting,
                .event = then(plant({0, 0, 0, 4}), press("DG_Stop_s")), .next = "SEESCoolingMode",
                .reports = {modeOff}, .timers = {12}, .raised = "mid_CollingStart",
                .log = "(rollback): отмена команды...(mode=0)"},
            Row{.name = "StartCancelledBeforeTheSetMoved", .start = Start::starting, .event = press("DG_Stop_s"),
                .next = "SEESOffMode", .reports = {modeOff, modeOff}, .log = ":  Mode changed?! val=0"},
            Row{.name = "UnknownTimer", .start = Start::starting, .event = timer(12), .next = "SEESWaitingMode",
                .commands = {.start = 1}, .timers = {1}, .log = ":  неизвестный таймер: 12"},
            Row{.name = "StartWithControlSwitchedOff", .start = Start::starting, .event = sense("CtlMode_f", 1),
                .next = "SEESSleepMode", .reports = {modeSleep}, .timers = {11}},
            // A refused command does not park the station in Waiting with nothing under way.
            Row{.name = "StartRefusedOnQGProtection", .start = Start::off,
                .event = then(sense("QG_State_as", 2), press("DG_Start_s")), .next = "SEESProtectionMode",
                .reports = {protectionOn}, .calls = {canRun}, .timers = {11},
                .log = ": Ignore Start DG. QG protection..."},
            Row{.name = "StartBlockedOnEntry", .start = Start::off, .event = press("DG_Start_s"),
                .next = "SEESOffMode", .reports = {modeOff}, .calls = {canRun, canRun}, .raised = "mid_BlockedRun",
                .log = "SES1(SEESWaitingMode): blocked run!",
                .before = [](StationRig& r) { r.owner().runAnswers = {true, false}; }},
            Row{.name = "StopCompletes", .start = Start::stopping, .event = plant(allOff), .next = "SEESOffMode",
                .reports = {modeOff}, .lamps = Lamps{0, 1, 0, 1}},
            Row{.name = "StopTimesOut", .start = Start::stopping, .event = wait(10000), .next = "SEESProtectionMode",
                .reports = {protectionOn}, .timers = {11}, .raised = "mid_NotOff",
                .log = ": Off TIMEOUT! (10000 msec)"},
            Row{.name = "StopRepeated", .start = Start::stopping, .event = press("DG_Stop_s"),
                .next = "SEESWaitingMode", .commands = {.stop = 1}, .timers = {2}, .log = ": repeat OFF command..."},
            Row{.name = "StartReplacesStop", .start = Start::stopping,
                .event = then(plant({1, 1, 0, 4}), press("DG_Start_s")),
                .next = "SEESWaitingMode", .commands = {.start = 1}, .calls = {canRun}, .timers = {1},
                .log = ": OnCommand!", .command = 5},
            Row{.name = "StopIgnoresCodes", .start = Start::stopping, .event = sense("InfoCode_as", 7),
                .next = "SEESWaitingMode", .commands = {.stop = 1}, .timers = {2}},
            Row{.name = "StopRefusedWhileQGOn", .start = Start::cooling,
                .event = then(sense("QG_State_as", 1), wait(20000)), .next = "SEESProtectionMode",
                .reports = {protectionOn}, .timers = {11}, .log = ": Ignore DG stop. QG not OFF"},
            Row{.name = "QGCloseCompletes", .start = Start::closing, .event = plant(allOn), .next = "SEESOnMode",
                .reports = {modeOn}, .calls = {release}, .lamps = Lamps{1, 0, 1, 0}},
            Row{.name = "QGCloseTimesOut", .start = Start::closing, .event = wait(3000), .next = "SEESRunningMode",
                .reports = {modeRunning}, .calls = {release}, .raised = "mid_NotOn",
                .log = ": QG on TIMEOUT (3000 msec)"},
            Row{.name = "QGCloseEndedByTheSetsAutomation", .start = Start::closing,
                .event = sense("InfoCode_as", 11), .next = "SEESRunningMode", .reports = {modeRunning},
                .calls = {release}},
            Row{.name = "QGCloseCancelledByStop", .start = Start::closing, .event = press("DG_Stop_s"),
                .next = "SEESCoolingMode", .reports = {modeOff}, .calls = {release}, .timers = {12}},
            Row{.name = "QGCloseWithTheQGAlreadyOn", .start = Start::running,
                .event = then(seen([](SEES& s) { s.in_state_as = 1; }), press("QG_On_s")), .next = "SEESOnMode",
                .reports = {modeOn}, .log = ": QG ON!"},
            Row{.name = "QGCloseAwaitsTheLeave", .start = Start::running, .event = press("QG_On_s"),
                .next = "SEESWaitingMode", .calls = {canRun, closeLeave}, .timers = {6, 7},
                .log = ": wait for qg accept 10000 msec", .lamps = Lamps{1, 0, 2, 0},
                .before = [](StationRig& r) { r.owner().leaveAnswer = false; }},
            Row{.name = "LeaveGrantedOnARetry", .start = Start::awaitingLeave, .event = waitSteps(2, 3000),
                .next = "SEESWaitingMode", .commands = {.qgOn = 1}, .calls = {closeLeave, closeLeave, canRun, closeLeave},
                .timers = {5}, .log = ": accept QG ok (toMode=1)",
                .before = [](StationRig& r) { r.owner().leaveAnswers = {false, false, true, true}; }},
            Row{.name = "LeaveNeverGranted", .start = Start::awaitingLeave,
                .event = then(waitSteps(3, 3000), wait(1000)), .next = "SEESRunningMode", .reports = {modeRunning},
                .calls = {closeLeave, closeLeave, closeLeave, release}, .raised = "mid_NotAccept",
                .log = ": waiting QG accept FAILED!!!"},
            // Leaving ends the wait for the leave: its timers must not reach later modes.
            // A refused ask is given back too: the supervision may hold the bus tie for it.
            Row{.name = "TrippedWhileAwaitingTheLeave", .start = Start::awaitingLeave, .event = plant({1, 1, 0, 2}),
                .next = "SEESProtectionMode", .reports = {protectionOn}, .calls = {release}, .timers = {11}},
            Row{.name = "QGOpenCompletes", .start = Start::opening, .event = plant(running), .next = "SEESRunningMode",
                .reports = {modeRunning}, .calls = {release}},
            Row{.name = "QGOpenTimesOut", .start = Start::opening, .event = wait(3000), .next = "SEESOnMode",
                .reports = {modeOn}, .calls = {release}, .raised = "mid_QG_NotOff",
                .log = ": QG off TIMEOUT (3000 msec)"},
            Row{.name = "QGOpenEndedByTheSetsAutomation", .start = Start::opening, .event = sense("InfoCode_as", 16),
                .next = "SEESOnMode", .reports = {modeOn}, .calls = {release}},
            Row{.name = "QGOpenIgnoresStop", .start = Start::opening, .event = press("DG_Stop_s"),
                .next = "SEESWaitingMode", .commands = {.qgOff = 1}, .timers = {5},
                .log = ": ignore Stop DG. Waiting QG..."},
            Row{.name = "QGOpenIgnoresStart", .start = Start::opening, .event = press("DG_Start_s"),
                .next = "SEESWaitingMode", .commands = {.qgOff = 1}, .timers = {5},
                .log = ": Ignore start DG. Waiting QG..."}),
        rowName);

    // --- Protection
    INSTANTIATE_TEST_SUITE_P(
        Protection, StationMode,
        ::testing::Values(
            // Only a leave the station holds is given back.
            Row{.name = "TrippedWhileClosingGivesTheLeaveBackOnce", .start = Start::closing,
                .event = plant({1, 1, 0, 2}), .next = "SEESProtectionMode", .reports = {protectionOn},
                .calls = {release}, .timers = {11}, .log = ": activate Режим защиты!"},
            Row{.name = "ResetWhenCleared", .start = Start::protection,
                .event = then(plant(allOff), press("Reset_s")), .next = "SEESOffMode",
                .reports = {protectionOff, modeOff}, .raised = "mid_ProtectionOff", .log = ": сброс защиты..."},
            Row{.name = "ResetWhileTripped", .start = Start::protection, .event = press("Reset_s"),
                .next = "SEESProtectionMode", .timers = {11},
                .log = ": защита не сброшена dis_prot=0 gen_prot=0 qg_prot=0 state_as=2"},
            Row{.name = "ResetWhileQGTripped", .start = Start::protection,
                .event = then(plant({0, 0, 2, 0}), press("Reset_s")), .next = "SEESProtectionMode", .timers = {11},
                .log = ": защита не сброшена dis_prot=0 gen_prot=0 qg_prot=1 state_as=0"},
            Row{.name = "StartRefused", .start = Start::protection, .event = press("DG_Start_s"),
                .next = "SEESProtectionMode", .timers = {11}, .raised = "mid_NotOn",
                .log = ": включение невозможно 'защита не восстановлена'"},
            Row{.name = "StopWithoutReset", .start = Start::protection,
                .event = then(plant({1, 0, 0, 2}), press("DG_Stop_s")), .next = "SEESProtectionMode",
                .commands = {.stop = 1}, .timers = {3, 4, 11},
                .log = ": отключение без сброса защиты... DGStopTime=8000 OffTime=10000", .lamps = Lamps{2, 3, 0, 1}},
            Row{.name = "StopWithoutResetEndsWhenTheDieselStops", .start = Start::protection,
                .event = then(then(plant({1, 0, 0, 2}), press("DG_Stop_s")),
                              then(plant(tripped), wait(1000))),
                .next = "SEESProtectionMode", .timers = {11}},
            Row{.name = "StopWithoutResetTimesOut", .start = Start::protection,
                .event = then(then(plant({1, 0, 0, 2}), press("DG_Stop_s")), waitSteps(8, 1000)),
                .next = "SEESProtectionMode", .timers = {11}, .raised = "mid_Diesel_NotOff",
                .log = ": DGProtectionStop TIMEOUT! (8000 msec)\n\n"},
            Row{.name = "StopRefusedUnderAutomaticControl", .start = Start::protectionAuto,
                .event = press("DG_Stop_s"), .next = "SEESProtectionMode", .timers = {11}, .raised = "mid_NotOff",
                .log = ": отключение невозможно мы в режиме резерва"},
            Row{.name = "QGOpenUnderLocalControlStopsTheDiesel", .start = Start::protection,
                .event = then(sense("QG_RemoteControl_s", 0), press("QG_Off_s")), .next = "SEESProtectionMode",
                .commands = {.stop = 1}, .timers = {3, 4, 11}, .raised = "mid_QG_NotOff",
                .log = ":  QG_RemoteControl=0. Ignore 'QG OFF' command!"},
            Row{.name = "StateChangeOnlyRefreshesLamps", .start = Start::protection, .event = plant(allOff),
                .next = "SEESProtectionMode", .timers = {11}, .lamps = Lamps{0, 1, 0, 1}},
            Row{.name = "DieselAndGeneratorDisagree", .start = Start::protection,
                .event = then(plant({1, 0, 0, 2}), wait(5000)),
                .next = "SEESProtectionMode", .timers = {11}, .lamps = Lamps{3, 3, 0, 1}},
            Row{.name = "LeavingStopsAStopWithoutReset", .start = Start::protection,
                .event = then(then(plant({1, 0, 0, 2}), press("DG_Stop_s")), sense("CtlMode_f", 1)),
                .next = "SEESSleepMode", .reports = {protectionOff, modeSleep}, .timers = {11}},
            Row{.name = "UnknownTimer", .start = Start::protection, .event = timer(9), .next = "SEESProtectionMode",
                .timers = {11}, .log = ":  Unknown timer 9"},
            // A tripped set made its group's leader asks for a reserve start, breaker open.
            Row{.name = "MadeLeaderAsksForAReserve", .start = Start::protectionAuto, .event = sense("Leader_f", 1),
                .next = "SEESProtectionMode", .reports = {needReserve}, .timers = {11}},
            Row{.name = "NoLongerLeaderWithdrawsTheAsk", .start = Start::protectionAuto,
                .event = then(sense("Leader_f", 1), sense("Leader_f", 0)), .next = "SEESProtectionMode",
                .reports = {needReserve, needNoReserve}, .timers = {11}},
            Row{.name = "MadeLeaderUnderManualControlAsksNothing", .start = Start::protection,
                .event = sense("Leader_f", 1), .next = "SEESProtectionMode", .timers = {11}},
            // Made the leader while its switch was off: it asks as its control comes back.
            Row{.name = "MadeLeaderWithControlOffAsksWhenControlReturns", .start = Start::protectionAuto,
                .event = then(then(sense("CtlMode_f", 0), sense("Leader_f", 1)), sense("CtlMode_f", 3)),
                .next = "SEESProtectionMode", .reports = {protectionOff, modeSleep, needReserve, protectionOn},
                .timers = {11}}),
        rowName);

    // --- Cooling
    INSTANTIATE_TEST_SUITE_P(
        Cooling, StationMode,
        ::testing::Values(
            Row{.name = "StopCommandStartsTheCoolingRun", .start = Start::running, .event = press("DG_Stop_s"),
                .next = "SEESCoolingMode", .reports = {modeOff}, .timers = {12}, .raised = "mid_CollingStart",
                .log = ": wait cooling 20000 [msec] ", .lamps = Lamps{0, 0, 0, 0}},
            Row{.name = "CoolingOverStopsTheSet", .start = Start::cooling, .event = wait(20000),
                .next = "SEESWaitingMode", .commands = {.stop = 1}, .timers = {2}, .raised = "mid_CollingFinished",
                .log = ": cooling finished..(20000 [msec])", .command = 0},
            Row{.name = "CoolingOverUnderAutomaticControl", .start = Start::cooling,
                .event = then(seen([](SEES& s) { s.in_CtlMode_f = 3; }), wait(20000)),
                .next = "SEESAutoWaitingMode", .commands = {.stop = 1}, .timers = {2}, .command = 0},
            // The set still runs: the start is done at once.
            Row{.name = "StartCommand", .start = Start::cooling, .event = press("DG_Start_s"),
                .next = "SEESRunningMode", .reports = {modeRunning}, .calls = {canRun}},
            Row{.name = "StartCommandUnderAutomaticControlIgnored", .start = Start::cooling,
                .event = then(seen([](SEES& s) { s.in_CtlMode_f = 3; }), press("DG_Start_s")),
                .next = "SEESCoolingMode", .timers = {12}},
            Row{.name = "ReserveStart", .start = Start::cooling,
                .event = then(seen([](SEES& s) { s.in_CtlMode_f = 3; }), sense("cmd_OnReserv_f", 1)),
                .next = "SEESAutoWaitingMode", .commands = {.qgOn = 1}, .calls = {closeLeave}, .timers = {5},
                .command = 1},
            Row{.name = "BlackoutOnTheLeader", .start = Start::cooling,
                .event = then(seen([](SEES& s) {
                                  s.in_CtlMode_f = 3;
                                  s.in_Leader_f = true;
                              }),
                              sense("NoPower_S", 1)),
                .next = "SEESAutoWaitingMode", .commands = {.qgOn = 1}, .calls = {closeLeave}, .timers = {5},
                .command = 1},
            Row{.name = "BlackoutOnAReserveIgnored", .start = Start::cooling,
                .event = then(seen([](SEES& s) { s.in_CtlMode_f = 3; }), sense("NoPower_S", 1)),
                .next = "SEESCoolingMode", .timers = {12}},
            Row{.name = "TransitionKeepsCooling", .start = Start::cooling, .event = plant({1, 1, 0, 4}),
                .next = "SEESCoolingMode", .timers = {12}},
            Row{.name = "UnexpectedStateToInit", .start = Start::cooling, .event = plant(allOn), .next = "SEESOnMode",
                .reports = {modeOn}, .log = ":  Mode changed?! val=1"},
            Row{.name = "CoolingTripped", .start = Start::cooling, .event = plant({1, 1, 0, 2}),
                .next = "SEESProtectionMode", .reports = {protectionOn}, .timers = {11},
                .log = "SES1(SEESCoolingMode):  mPROTECTION mPROTECTION"}),
        rowName);

    // --- Running: the set runs with its QG open
    INSTANTIATE_TEST_SUITE_P(
        Running, StationMode,
        ::testing::Values(
            Row{.name = "QGClose", .start = Start::running, .event = press("QG_On_s"), .next = "SEESWaitingMode",
                .commands = {.qgOn = 1}, .calls = {canRun, closeLeave}, .timers = {5},
                .log = ": QG on waiting 3000 [msec] ", .lamps = Lamps{1, 0, 2, 0}, .command = 1},
            Row{.name = "QGCloseUnderLocalControl", .start = Start::running,
                .event = then(sense("QG_RemoteControl_s", 0), press("QG_On_s")), .next = "SEESRunningMode",
                .raised = "mid_QG_NotOn_LocalControl", .log = ":  QG_RemoteControl=0. Ignore 'QG ON' command!",
                .before = [](StationRig& r) { r.set("QG_RemoteControl_s", 1); }},
            Row{.name = "Overload95BothEdges", .start = Start::running,
                .event = then(sense("Overload95_S", 1), sense("Overload95_S", 0)), .next = "SEESRunningMode",
                .reports = {{SEESMessage::Overload95, 1}, {SEESMessage::Overload95, 0}}},
            Row{.name = "WarningBothEdges", .start = Start::running,
                .event = then(sense("Warning_S", 1), sense("Warning_S", 0)), .next = "SEESRunningMode",
                .reports = {{SEESMessage::Warning, 1}, {SEESMessage::Warning, 0}}},
            Row{.name = "QGClosedByItself", .start = Start::running, .event = plant(allOn), .next = "SEESOnMode",
                .reports = {modeOn}, .log = ":  СЭС перешло в другой режим?! mON"},
            Row{.name = "RunningTripped", .start = Start::running, .event = plant({1, 1, 0, 2}),
                .next = "SEESProtectionMode", .reports = {protectionOn}, .timers = {11}},
            Row{.name = "StartAndQGOpenIgnored", .start = Start::running,
                .event = then(press("DG_Start_s"), press("QG_Off_s")), .next = "SEESRunningMode"}),
        rowName);

    // --- Init: the survey that picks the first real mode, entered from Sleep
    Event survey(Plant p, long control, bool leader = false, bool blackout = false)
    {
        return [=](StationRig& r) {
            r.set("Leader_f", leader);
            r.set("NoPower_S", blackout);
            r.plant(p);
            sense("CtlMode_f", control)(r);
        };
    }

    INSTANTIATE_TEST_SUITE_P(
        Init, StationMode,
        ::testing::Values(
            Row{.name = "AllOnManual", .start = Start::sleep, .event = survey(allOn, 2), .next = "SEESOnMode",
                .reports = {modeOn}, .log = ": to on mode.."},
            // The low-load filter starts on entry.
            Row{.name = "AllOnLeader", .start = Start::sleep, .event = survey(allOn, 3, true),
                .next = "SEESOnAutoMode", .reports = {modeReserv, modeAuto}, .timers = {8},
                .log = ": to auto mode.."},
            Row{.name = "AllOnReserve", .start = Start::sleep, .event = survey(allOn, 3), .next = "SEESOnReservMode",
                .reports = {modeReserv}, .log = ": to reserv mode.."},
            Row{.name = "RunningManual", .start = Start::sleep, .event = survey(running, 2),
                .next = "SEESRunningMode", .reports = {modeRunning}},
            // The start finds the set running and goes on to the QG close.
            Row{.name = "RunningAutomaticOnBlackout", .start = Start::sleep, .event = survey(running, 3, false, true),
                .next = "SEESAutoWaitingMode", .commands = {.qgOn = 1}, .calls = {closeLeave}, .timers = {5},
                .command = 1},
            Row{.name = "RunningAutomaticWithoutDemand", .start = Start::sleep, .event = survey(running, 3),
                .next = "SEESAutoWaitingMode", .commands = {.stop = 1}, .timers = {2}, .command = 0},
            Row{.name = "StoppedManual", .start = Start::sleep, .event = survey(allOff, 2), .next = "SEESOffMode",
                .reports = {modeOff}},
            Row{.name = "StoppedLeader", .start = Start::sleep, .event = survey(allOff, 3, true),
                .next = "SEESAutoMode", .reports = {modeReserv, modeAuto}},
            Row{.name = "StoppedReserve", .start = Start::sleep, .event = survey(allOff, 3), .next = "SEESReservMode",
                .reports = {modeReserv}},
            Row{.name = "SetInProtection", .start = Start::sleep, .event = survey(tripped, 2),
                .next = "SEESProtectionMode", .reports = {protectionOn}, .timers = {11},
                .log = "SES1(SEESInitMode)(activate):  state == mPROTECTION "},
            Row{.name = "GeneratorInProtection", .start = Start::sleep, .event = survey({0, 2, 0, 0}, 2),
                .next = "SEESProtectionMode", .reports = {protectionOn}, .timers = {11},
                .log = "(activate):  qg_prot=0 gen_prot=1 dis_prot=0"},
            Row{.name = "OnlyQGOnInTransitionIsContradictory", .start = Start::sleep, .event = survey({0, 0, 1, 4}, 2),
                .next = "SEESProtectionMode", .reports = {protectionOn}, .timers = {11},
                .log = ": ПРОТИВОРЕЧИВОЕ СОСТОЯНИЕ"},
            Row{.name = "OnlyDieselOnInInitIsContradictory", .start = Start::sleep, .event = survey({1, 0, 0, 3}, 3),
                .next = "SEESProtectionMode", .reports = {protectionOn}, .timers = {11},
                .log = ": state_as=3 mINIT"},
            // Off's entry fails, Init comes back and its survey picks Off again, which fails
            // again: the station stays in Init rather than going round until the stack runs out.
            Row{.name = "NextModeFailingTwiceLeavesInit", .start = Start::sleep,
                .event = failingAsks("ControlMode_f", survey(allOff, 2)), .next = "SEESInitMode",
                .log = "SES1(changeMode): не удалось сменить режим: ", .logTimes = 2, .lamps = Lamps{0, 1, 0, 1}}),
        rowName);
    const Report protectionOnLeader{SEESMessage::NeedOnReserv, 1};
    const Report releaseOne{SEESMessage::NeedOffReserv, 1};
    const Report keepAll{SEESMessage::NeedOffReserv, 0};
    const std::string alone = "isAlone(3)";

    // --- Reserv and OnReserv: a reserve station under automatic control
    INSTANTIATE_TEST_SUITE_P(
        Reserv, StationMode,
        ::testing::Values(
            Row{.name = "ReserveStart", .start = Start::reserve, .event = sense("cmd_OnReserv_f", 1),
                .next = "SEESAutoWaitingMode", .commands = {.start = 1}, .calls = {canRun}, .timers = {1},
                .raised = "mid_starting", .log = ":  Включение резерва...", .lamps = Lamps{2, 0, 0, 0}, .command = 5},
            Row{.name = "ReserveStartStandingOnEntry", .start = Start::off,
                .event = then(sense("cmd_OnReserv_f", 1), sense("CtlMode_f", 3)), .next = "SEESAutoWaitingMode",
                .commands = {.start = 1}, .reports = {modeReserv}, .calls = {canRun}, .timers = {1}, .command = 5},
            Row{.name = "ReserveStartWithdrawn", .start = Start::reserve, .event = message("cmd_OnReserv_f", 1),
                .next = "SEESReservMode", .log = ": игнорируем команду на запуск резерва"},
            Row{.name = "ReserveStartBlocked", .start = Start::reserve, .event = sense("cmd_OnReserv_f", 1),
                .next = "SEESReservMode", .calls = {canRun}, .timers = {10}, .raised = "mid_BlockedRun",
                .log = ": blocked run! Ignore command..",
                .before = [](StationRig& r) { r.owner().runAnswer = false; }},
            Row{.name = "BlockedStartNotTriedOnceWithdrawn", .start = Start::reserve,
                .event = then(then(sense("cmd_OnReserv_f", 1), sense("cmd_OnReserv_f", 0)), wait(5000)),
                .next = "SEESReservMode", .calls = {canRun},
                .before = [](StationRig& r) { r.owner().runAnswer = false; }},
            Row{.name = "LeavingCancelsTheBlockedStartRetry", .start = Start::reserve,
                .event = then(then(sense("cmd_OnReserv_f", 1), sense("cmd_OnReserv_f", 0)), sense("Leader_f", 1)),
                .next = "SEESAutoMode",
                .reports = {modeReserv, modeAuto}, .calls = {canRun},
                .before = [](StationRig& r) { r.owner().runAnswer = false; }},
            Row{.name = "OperatorStopRefused", .start = Start::reserve, .event = press("DG_Stop_s"),
                .next = "SEESReservMode", .raised = "mid_NotOff",
                .log = ": игнорируем OffCommand! т.к. находимся в режиме резерва!"},
            Row{.name = "OperatorQGOpenRefused", .start = Start::reserve, .event = press("QG_Off_s"),
                .next = "SEESReservMode", .raised = "mid_NotOff"},
            Row{.name = "OperatorStartRefused", .start = Start::reserve, .event = press("DG_Start_s"),
                .next = "SEESReservMode", .raised = "mid_NotOn",
                .log = ": игнорируем OnCommand! т.к. находимся в режиме резерва!"},
            Row{.name = "OperatorQGCloseRefused", .start = Start::reserve, .event = press("QG_On_s"),
                .next = "SEESReservMode", .raised = "mid_NotOn"},
            Row{.name = "BecomesLeader", .start = Start::reserve, .event = sense("Leader_f", 1), .next = "SEESAutoMode",
                .reports = {modeReserv, modeAuto}, .log = ": GOTO AutoMode...", .lamps = Lamps{0, 0, 0, 0}},
            // Init reads the control value afresh.
            Row{.name = "BecomesLeaderOutOfAutomaticControl", .start = Start::reserve,
                .event = then(seen([](SEES& s) { s.in_CtlMode_f = 2; }), sense("Leader_f", 1)),
                .next = "SEESAutoMode", .reports = {modeReserv, modeAuto}, .log = ": off ReservMode GOTO InitMode..."},
            Row{.name = "LeaderFlagFallIgnored", .start = Start::reserve, .event = message("Leader_f", 0),
                .next = "SEESReservMode"},
            Row{.name = "StoppedStateStays", .start = Start::reserve, .event = message("state_as", 0),
                .next = "SEESReservMode"},
            Row{.name = "ReserveTripped", .start = Start::reserve, .event = plant(tripped),
                .next = "SEESProtectionMode", .reports = {protectionOn}, .timers = {11},
                .log = "SES1(SEESReservMode):  mPROTECTION mPROTECTION"},
            // Init finds the set running with no demand and stops it.
            Row{.name = "SetStartedByItselfIsStopped", .start = Start::reserve, .event = plant(running),
                .next = "SEESAutoWaitingMode", .commands = {.stop = 1}, .timers = {2},
                .log = ":  state != mOFF mRunning", .command = 0},
            Row{.name = "ControlSwitchedOff", .start = Start::reserve, .event = sense("CtlMode_f", 1),
                .next = "SEESSleepMode", .reports = {modeSleep}, .timers = {11}},
            Row{.name = "OtherTimerIgnored", .start = Start::reserve, .event = timer(9), .next = "SEESReservMode"},
            Row{.name = "ReserveStop", .start = Start::onReserve, .event = sense("cmd_OffReserv_f", 1),
                .next = "SEESAutoWaitingMode", .commands = {.qgOff = 1}, .calls = {alone, alone, openLeave},
                .timers = {5}, .log = ":  Отключение резерва...", .lamps = Lamps{1, 0, 2, 0}, .command = 13},
            Row{.name = "ReserveStopWithTheStartStanding", .start = Start::onReserve,
                .event = then(sense("cmd_OnReserv_f", 1), sense("cmd_OffReserv_f", 1)), .next = "SEESOnReservMode",
                .reports = {{SEESMessage::ReservCommandConflict, 1}},
                .log = ": ??? in_OffReservCommand_S = in_OnReservCommand_S "},
            // Reported as a conflict too: the supervision looks at its groups again.
            Row{.name = "ReserveStopWithdrawn", .start = Start::onReserve, .event = message("cmd_OffReserv_f", 1),
                .next = "SEESOnReservMode", .reports = {{SEESMessage::ReservCommandConflict, 1}}},
            Row{.name = "ReserveStopOfTheLastSet", .start = Start::onReserve, .event = sense("cmd_OffReserv_f", 1),
                .next = "SEESOnReservMode", .calls = {alone}, .log = ": IGONRE OFF RESERV CMD. I`m alone!",
                .before = [](StationRig& r) { r.owner().aloneAnswer = true; }},
            Row{.name = "OnOperatorStartRefused", .start = Start::onReserve, .event = press("DG_Start_s"),
                .next = "SEESOnReservMode", .raised = "mid_SetReserv_Att",
                .log = ": игнорируем OnCommand!! Т.к. находимся в режиме резерва"},
            Row{.name = "OnOperatorQGOpenRefused", .start = Start::onReserve, .event = press("QG_Off_s"),
                .next = "SEESOnReservMode", .raised = "mid_SetReserv_Att",
                .log = ": игнорируем Off!! Т.к. находимся в режиме резерва"},
            Row{.name = "OnBecomesLeader", .start = Start::onReserve, .event = sense("Leader_f", 1),
                .next = "SEESOnAutoMode", .reports = {modeReserv, modeAuto}, .timers = {8},
                .log = ": 'OFF RESERV MODE' COMMAND!", .lamps = Lamps{1, 0, 1, 0}},
            Row{.name = "OnQGOpensByItself", .start = Start::onReserve, .event = plant(running),
                .next = "SEESAutoWaitingMode", .commands = {.stop = 1}, .timers = {2},
                .log = ":  СЭС перешло в другой режим?! mRunning", .command = 0},
            Row{.name = "OnReserveTripped", .start = Start::onReserve, .event = plant({1, 1, 1, 2}),
                .next = "SEESProtectionMode", .reports = {protectionOn}, .timers = {11}},
            Row{.name = "OnWatchdogRewritesLamps", .start = Start::onReserve,
                .event = then(seen([](SEES& s) { s.setLamp(s.lmpQG_ON_c, 0); }), watchdog()),
                .next = "SEESOnReservMode", .lamps = Lamps{1, 0, 1, 0}}),
        rowName);

    // --- AutoWaiting: one command under automatic control
    INSTANTIATE_TEST_SUITE_P(
        AutoWaiting, StationMode,
        ::testing::Values(
            Row{.name = "StartGoesOnToTheQGClose", .start = Start::autoStarting, .event = plant(running),
                .next = "SEESAutoWaitingMode", .commands = {.qgOn = 1}, .calls = {closeLeave}, .timers = {5},
                .log = ": QG on waiting 3000 [msec] ", .lamps = Lamps{1, 0, 2, 0}, .command = 1},
            // The start command goes with the start: it must not stay on while the leave is awaited.
            Row{.name = "StartDoneWhileTheLeaveIsAwaited", .start = Start::autoStarting, .event = plant(running),
                .next = "SEESAutoWaitingMode", .calls = {closeLeave}, .timers = {6, 7},
                .log = ": wait for qg accept 10000 msec", .lamps = Lamps{1, 0, 2, 0}, .command = 1,
                .before = [](StationRig& r) { r.owner().leaveAnswer = false; }},
            Row{.name = "StartTimesOut", .start = Start::autoStarting, .event = wait(10000),
                .next = "SEESProtectionMode", .reports = {protectionOn}, .timers = {11}, .raised = "mid_NotOn",
                .log = ": RUN TIMEOUT! (10000 msec)"},
            Row{.name = "StartRepeatedUpToTheReserveCount", .start = Start::autoStarting,
                .event = waitSteps(2, 10000), .next = "SEESAutoWaitingMode", .commands = {.start = 1},
                .timers = {1}, .raised = "mid_NotOn", .log = ": 2 попытка повтора команды...",
                .settings = {{"ReservCount", "2"}}},
            Row{.name = "StartFallsBackAfterTheLastRepeat", .start = Start::autoStarting,
                .event = waitSteps(3, 10000), .next = "SEESProtectionMode", .reports = {protectionOn},
                .timers = {11}, .settings = {{"ReservCount", "2"}}},
            Row{.name = "StartTripped", .start = Start::autoStarting, .event = plant({1, 0, 0, 2}),
                .next = "SEESProtectionMode", .reports = {protectionOn}, .timers = {11}},
            Row{.name = "StartIgnoresTransition", .start = Start::autoStarting, .event = plant({0, 0, 0, 4}),
                .next = "SEESAutoWaitingMode", .commands = {.start = 1}, .timers = {1}},
            Row{.name = "OperatorStopOnlyLogged", .start = Start::autoStarting, .event = press("DG_Stop_s"),
                .next = "SEESAutoWaitingMode", .commands = {.start = 1}, .timers = {1},
                .log = ": AUTO mode... ignore stop command..."},
            Row{.name = "OperatorStartOnlyLogged", .start = Start::autoStarting, .event = press("DG_Start_s"),
                .next = "SEESAutoWaitingMode", .commands = {.start = 1}, .timers = {1},
                .log = ": AUTO mode... ignore start command..."},
            // A refused command does not park the station here with nothing under way.
            Row{.name = "StartRefusedOnQGProtection", .start = Start::reserve,
                .event = then(sense("QG_State_as", 2), sense("cmd_OnReserv_f", 1)), .next = "SEESProtectionMode",
                .reports = {protectionOn}, .calls = {canRun}, .timers = {11},
                .log = ": Ignore Start DG. QG protection..."},
            Row{.name = "UnknownTimer", .start = Start::autoStarting, .event = timer(12),
                .next = "SEESAutoWaitingMode", .commands = {.start = 1}, .timers = {1},
                .log = ":  неизвестный таймер: 12"},
            Row{.name = "StartWithControlSwitchedOff", .start = Start::autoStarting, .event = sense("CtlMode_f", 1),
                .next = "SEESSleepMode", .reports = {modeSleep}, .timers = {11}},
            Row{.name = "QGCloseCompletesForAReserve", .start = Start::autoClosing, .event = plant(allOn),
                .next = "SEESOnReservMode", .reports = {modeReserv}, .calls = {release},
                .lamps = Lamps{1, 0, 1, 0}},
            Row{.name = "QGCloseCompletesForTheLeader", .start = Start::autoClosing,
                .event = then(sense("Leader_f", 1), plant(allOn)), .next = "SEESOnAutoMode",
                .reports = {modeReserv, modeAuto}, .calls = {release}, .timers = {8}},
            Row{.name = "QGCloseTimesOut", .start = Start::autoClosing, .event = wait(3000),
                .next = "SEESProtectionMode", .reports = {protectionOn}, .calls = {release}, .timers = {11},
                .raised = "mid_NotOn", .log = ": QG on TIMEOUT (3000 msec)"},
            // The leave comes after the set reported itself on the busbar.
            Row{.name = "QGCloseWithTheQGAlreadyOn", .start = Start::autoAwaitingLeave,
                .event = then(seen([](SEES& s) { s.in_state_as = 1; }), wait(3000)), .next = "SEESOnReservMode",
                .reports = {modeReserv}, .calls = {closeLeave, release}, .log = ": QG ON!",
                .before = [](StationRig& r) { r.owner().leaveAnswers = {false, true}; }},
            Row{.name = "QGCloseRefusedOnQGProtection", .start = Start::cooling,
                .event = then(then(seen([](SEES& s) { s.in_CtlMode_f = 3; }), sense("QG_State_as", 2)),
                              sense("cmd_OnReserv_f", 1)),
                .next = "SEESProtectionMode", .reports = {protectionOn}, .timers = {11},
                .log = ": Ignore Start DG. QG protection..."},
            Row{.name = "LeaveGrantedOnARetry", .start = Start::autoAwaitingLeave, .event = waitSteps(2, 3000),
                .next = "SEESAutoWaitingMode", .commands = {.qgOn = 1}, .calls = {closeLeave, closeLeave, closeLeave},
                .timers = {5}, .log = ": accept QG ok (toMode=1)",
                .before = [](StationRig& r) { r.owner().leaveAnswers = {false, false, true, true}; }},
            Row{.name = "LeaveNeverGranted", .start = Start::autoAwaitingLeave,
                .event = then(waitSteps(3, 3000), wait(1000)), .next = "SEESProtectionMode",
                .reports = {protectionOn}, .calls = {closeLeave, closeLeave, closeLeave, release}, .timers = {11},
                .raised = "mid_NotAccept", .log = ": waiting QGaccept FAILED!!!"},
            // Leaving ends the wait for the leave: its timers must not reach later modes.
            // A refused ask is given back too: the supervision may hold the bus tie for it.
            Row{.name = "TrippedWhileAwaitingTheLeave", .start = Start::autoAwaitingLeave, .event = plant({1, 1, 0, 2}),
                .next = "SEESProtectionMode", .reports = {protectionOn}, .calls = {release}, .timers = {11}},
            Row{.name = "RollbackDropsThePendingCommand", .start = Start::autoClosing,
                .event = seen([](SEES& s) { SEESAutoWaitingMode::rollback(&s); }), .next = "SEESAutoWaitingMode",
                .calls = {release}, .log = "(rollback): отмена команды...(mode=1)"},
            Row{.name = "QGOpenGoesOnToTheCoolingRun", .start = Start::autoOpening, .event = plant(running),
                .next = "SEESCoolingMode", .reports = {modeOff}, .calls = {release}, .timers = {12},
                .raised = "mid_CollingStart", .lamps = Lamps{0, 0, 0, 0}},
            // Back to the on-reserve mode, which takes the standing stop command again.
            Row{.name = "QGOpenTimesOut", .start = Start::autoOpening, .event = wait(3000),
                .next = "SEESAutoWaitingMode", .commands = {.qgOff = 1}, .reports = {modeReserv},
                .calls = {release, alone, alone, openLeave}, .timers = {5}, .raised = "mid_QG_NotOff",
                .log = ": QG off TIMEOUT (3000 msec)", .command = 13},
            Row{.name = "QGOpenRefusedForTheLastSet", .start = Start::onReserve, .event = sense("cmd_OffReserv_f", 1),
                .next = "SEESOnReservMode", .reports = {modeReserv}, .calls = {alone, alone, alone},
                .log = ": Ignore QG off command.. SEES3 is alone!",
                .before = [](StationRig& r) { r.owner().aloneAnswers = {false, true, true}; }},
            Row{.name = "StopCompletesForAReserve", .start = Start::autoStopping, .event = plant(allOff),
                .next = "SEESReservMode", .reports = {modeReserv}, .lamps = Lamps{0, 0, 0, 0}},
            Row{.name = "StopCompletesForTheLeader", .start = Start::autoStopping,
                .event = then(sense("Leader_f", 1), plant(allOff)), .next = "SEESAutoMode",
                .reports = {modeReserv, modeAuto}},
            Row{.name = "StopTimesOut", .start = Start::autoStopping, .event = wait(10000),
                .next = "SEESProtectionMode", .reports = {protectionOn}, .timers = {11}, .raised = "mid_NotOff",
                .log = ": Off TIMEOUT! (10000 msec)"},
            // A set found running with its QG on: the QG is opened first (the set's state
            // says it is open already), and the cooling run comes before the stop.
            Row{.name = "StopWithTheQGOnOpensItFirst", .start = Start::sleep, .event = survey({1, 0, 1, 9}, 3),
                .next = "SEESCoolingMode", .reports = {modeOff}, .calls = {alone, openLeave, release},
                .timers = {12}, .log = ": Ignore DG stop. QG not OFF."},
            // The QG open before a stop falls back to itself: refused, the set stays on the busbar.
            Row{.name = "StopOfTheLastSetWithTheQGOn", .start = Start::sleep, .event = survey({1, 0, 1, 9}, 3),
                .next = "SEESOnReservMode", .reports = {modeReserv}, .calls = {alone},
                .log = ": Ignore QG off command.. SEES3 is alone!",
                .before = [](StationRig& r) { r.owner().aloneAnswer = true; }}),
        rowName);

    // --- Auto and OnAuto: the group's leader
    INSTANTIATE_TEST_SUITE_P(
        Auto, StationMode,
        ::testing::Values(
            // The set stands stopped: a reserve command starts it, and the start goes on to the close.
            Row{.name = "ReserveCommandStartsTheSet", .start = Start::leader, .event = sense("cmd_OnReserv_f", 1),
                .next = "SEESAutoWaitingMode", .commands = {.start = 1}, .timers = {1},
                .log = ": ТРЕБУЕТСЯ РЕЗЕРВ!!! (запускаемся в режиме авто). ", .command = 5},
            Row{.name = "ReserveCommandWithdrawn", .start = Start::leader, .event = message("cmd_OnReserv_f", 1),
                .next = "SEESAutoMode", .log = ": игнорируем команду на запуск резерва"},
            Row{.name = "ReserveStopIgnored", .start = Start::leader, .event = sense("cmd_OffReserv_f", 1),
                .next = "SEESAutoMode", .log = ":  игнорируем команды управления резервом, т.к. мы врежиме 'авто'"},
            Row{.name = "BlackoutStartsTheDelay", .start = Start::leader, .event = sense("NoPower_S", 1),
                .next = "SEESAutoMode", .timers = {9}},
            Row{.name = "BlackoutAlreadyThereOnEntry", .start = Start::leader, .event = wait(3000),
                .next = "SEESAutoWaitingMode", .commands = {.start = 1}, .timers = {1},
                .log = "(timerInfo): ***** BLACKOUT!!! Run... *****", .command = 5,
                .before = [](StationRig& r) { r.set("NoPower_S", 1); }},
            Row{.name = "HandsOverToTheReserveMode", .start = Start::leader, .event = sense("Leader_f", 0),
                .next = "SEESReservMode", .reports = {modeReserv}, .log = ": 'TO RESERV' COMMAND!"},
            Row{.name = "HandOverCancelsTheBlackoutDelay", .start = Start::leader,
                .event = then(sense("NoPower_S", 1), sense("Leader_f", 0)), .next = "SEESReservMode",
                .reports = {modeReserv}},
            Row{.name = "LeaderOperatorStartRefused", .start = Start::leader, .event = press("DG_Start_s"),
                .next = "SEESAutoMode", .raised = "mid_NotOn"},
            Row{.name = "LeaderTripped", .start = Start::leader, .event = plant(tripped),
                .next = "SEESProtectionMode", .reports = {protectionOnLeader, protectionOn}, .timers = {11}},
            Row{.name = "LeaderOtherTimerIgnored", .start = Start::leader, .event = timer(10),
                .next = "SEESAutoMode"},
            Row{.name = "OverloadAsksForReserve", .start = Start::onLeader, .event = sense("Overload95_S", 1),
                .next = "SEESOnAutoMode", .reports = {protectionOnLeader}, .timers = {8}},
            Row{.name = "WarningAsksForReserve", .start = Start::onLeader, .event = sense("Warning_S", 1),
                .next = "SEESOnAutoMode", .reports = {protectionOnLeader}, .timers = {8}},
            Row{.name = "LowLoadIgnoredWhileFiltering", .start = Start::onLeader,
                .event = then(sense("Overload20_S", 1), sense("Overload20_S", 0)), .next = "SEESOnAutoMode",
                .timers = {8}},
            Row{.name = "LowLoadCountsAfterTheFilter", .start = Start::onLeader,
                .event = then(wait(1000), sense("Overload20_S", 1)), .next = "SEESOnAutoMode",
                .reports = {releaseOne}, .log = ": нагрузка 20%=1 load20_sig=2"},
            Row{.name = "OnReserveCommandsIgnored", .start = Start::onLeader,
                .event = then(sense("cmd_OnReserv_f", 1), sense("cmd_OffReserv_f", 1)), .next = "SEESOnAutoMode",
                .timers = {8}, .log = ":  игнорируем команды управления резервом, т.к. мы врежиме 'авто'"},
            Row{.name = "OnHandsOverToTheReserveMode", .start = Start::onLeader, .event = sense("Leader_f", 0),
                .next = "SEESOnReservMode", .reports = {modeReserv}, .log = ": 'TO RESERV' COMMAND!"},
            Row{.name = "HandOverWithdrawsTheLeadersDemand", .start = Start::onLeader,
                .event = then(then(wait(1000), sense("Overload20_S", 1)), sense("Leader_f", 0)),
                .next = "SEESOnReservMode", .reports = {releaseOne, keepAll, modeReserv}},
            Row{.name = "OnLeaderTripped", .start = Start::onLeader, .event = plant({1, 1, 1, 2}),
                .next = "SEESProtectionMode", .reports = {protectionOnLeader, protectionOn}, .timers = {11}}),
        rowName);
}
