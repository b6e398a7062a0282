// The station's modes, one row per transition: the mode the station is in, what
// happens, and what a person then sees: the next mode, the command outputs, lamps,
// alarm messages, reports and calls to the supervision, the timers left running and
// the log.
#include <array>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <set>

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
        opening        // Waiting, command 13 with the leave
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
        std::optional<Lamps> lamps = {};
        int command = -1;                   // the pending command, when it matters
        Event before = {};                  // answers of the owner, switches: before the arrangement
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
        StationRig rig;
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
    const Report protectionOn{SEESMessage::Protection, 1};
    const Report protectionOff{SEESMessage::Protection, 0};
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
                .next = "SEESReservMode"},
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
                .calls = {closeLeave, closeLeave, closeLeave}, .raised = "mid_NotAccept",
                .log = ": waiting QG accept FAILED!!!"},
            // Leaving ends the wait for the leave: its timers must not reach later modes.
            Row{.name = "TrippedWhileAwaitingTheLeave", .start = Start::awaitingLeave, .event = plant({1, 1, 0, 2}),
                .next = "SEESProtectionMode", .reports = {protectionOn}, .timers = {11}},
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
                .timers = {11}, .log = ":  Unknown timer 9"}),
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
                .next = "SEESAutoWaitingMode", .command = 0},
            // The set still runs: the start is done at once.
            Row{.name = "StartCommand", .start = Start::cooling, .event = press("DG_Start_s"),
                .next = "SEESRunningMode", .reports = {modeRunning}, .calls = {canRun}},
            Row{.name = "StartCommandUnderAutomaticControlIgnored", .start = Start::cooling,
                .event = then(seen([](SEES& s) { s.in_CtlMode_f = 3; }), press("DG_Start_s")),
                .next = "SEESCoolingMode", .timers = {12}},
            Row{.name = "ReserveStart", .start = Start::cooling,
                .event = then(seen([](SEES& s) { s.in_CtlMode_f = 3; }), sense("cmd_OnReserv_f", 1)),
                .next = "SEESAutoWaitingMode", .command = 1},
            Row{.name = "BlackoutOnTheLeader", .start = Start::cooling,
                .event = then(seen([](SEES& s) {
                                  s.in_CtlMode_f = 3;
                                  s.in_Leader_f = true;
                              }),
                              sense("NoPower_S", 1)),
                .next = "SEESAutoWaitingMode", .command = 1},
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
            Row{.name = "AllOnLeader", .start = Start::sleep, .event = survey(allOn, 3, true),
                .next = "SEESOnAutoMode", .log = ": to auto mode.."},
            Row{.name = "AllOnReserve", .start = Start::sleep, .event = survey(allOn, 3), .next = "SEESOnReservMode",
                .log = ": to reserv mode.."},
            Row{.name = "RunningManual", .start = Start::sleep, .event = survey(running, 2),
                .next = "SEESRunningMode", .reports = {modeRunning}},
            Row{.name = "RunningAutomaticOnBlackout", .start = Start::sleep, .event = survey(running, 3, false, true),
                .next = "SEESAutoWaitingMode", .command = 5},
            Row{.name = "RunningAutomaticWithoutDemand", .start = Start::sleep, .event = survey(running, 3),
                .next = "SEESAutoWaitingMode", .command = 0},
            Row{.name = "StoppedManual", .start = Start::sleep, .event = survey(allOff, 2), .next = "SEESOffMode",
                .reports = {modeOff}},
            Row{.name = "StoppedLeader", .start = Start::sleep, .event = survey(allOff, 3, true),
                .next = "SEESAutoMode"},
            Row{.name = "StoppedReserve", .start = Start::sleep, .event = survey(allOff, 3), .next = "SEESReservMode"},
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
                .log = ": state_as=3 mINIT"}),
        rowName);
}
