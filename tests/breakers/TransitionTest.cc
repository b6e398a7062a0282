// The breakers' mode machines, one row per transition: the mode the breaker is in,
// what happens, and what a person then sees (command outputs, reports to the owner,
// alarm messages, log lines, the next mode). The rows both breakers share run on an
// Automat and on a QC.
#include <functional>
#include <gtest/gtest.h>

#include "BreakerRig.h"

using namespace breakers_test;

namespace
{
    enum class Start
    {
        sleep,
        sleepClosed,
        offOnly,
        offOnlyClosed,
        off,
        on,
        closing,     // Waiting with cmdOn
        opening,     // Waiting with cmdOff
        syncClosing, // Waiting with cmdOnSync (QC)
        protection,  // Protection, the trip still on
        protectionCleared
    };

    using Event = std::function<void(BreakerRig&)>;

    Event cmd(int code)
    {
        return [code](BreakerRig& r) {
            r.command(code);
            r.quiesce();
        };
    }
    Event sense(const char* role, long value)
    {
        return [role, value](BreakerRig& r) {
            r.plant(role, value);
            r.quiesce();
        };
    }
    Event move(Position p)
    {
        return [p](BreakerRig& r) {
            r.position(p);
            r.quiesce();
        };
    }
    Event wait(int ms)
    {
        return [ms](BreakerRig& r) {
            r.advance(ms);
            r.quiesce();
        };
    }
    Event then(Event a, Event b)
    {
        return [a, b](BreakerRig& r) {
            a(r);
            b(r);
        };
    }
    // The position stays undefined longer than naTime (500 ms).
    Event undefinedHeld()
    {
        return then(move(Position::undefined), wait(600));
    }

    const int on = AutomatMessage::cmdOn;
    const int off = AutomatMessage::cmdOff;
    const int reset = AutomatMessage::cmdReset;
    const int sleep = AutomatMessage::cmdSleep;
    const int wake = AutomatMessage::cmdWake;
    const int onSync = AutomatMessage::cmdOnSync;

    struct Outputs
    {
        long on = 0;
        long off = 0;
        long sync = 0; // QC only
    };

    struct Transition
    {
        const char* name;
        Start start;
        Event event;
        std::vector<Report> reports;
        const char* next;
        Outputs outputs = {};
        const char* log = nullptr;      // a line the event leaves ("{B}": the class name)
        const char* raised = nullptr;   // an alarm message the event raises
        const char* neverOn = nullptr;  // a command output never written on during the event
        Settings settings = {};
    };

    void arrange(BreakerRig& r, Start s)
    {
        switch (s)
        {
            case Start::sleep:
                r.startUp();
                break;
            case Start::sleepClosed:
                r.position(Position::closed);
                r.startUp();
                break;
            case Start::offOnly:
                r.offOnly();
                r.startUp();
                break;
            case Start::offOnlyClosed:
                r.position(Position::closed);
                r.offOnly();
                r.startUp();
                break;
            case Start::off:
                arrange(r, Start::sleep);
                cmd(wake)(r);
                break;
            case Start::on:
                arrange(r, Start::sleepClosed);
                cmd(wake)(r);
                break;
            case Start::closing:
                arrange(r, Start::off);
                cmd(on)(r);
                break;
            case Start::opening:
                arrange(r, Start::on);
                cmd(off)(r);
                break;
            case Start::syncClosing:
                arrange(r, Start::off);
                cmd(onSync)(r);
                break;
            case Start::protection:
                arrange(r, Start::off);
                sense("Protection_s", 1)(r);
                break;
            case Start::protectionCleared:
                arrange(r, Start::protection);
                sense("Protection_s", 0)(r);
                break;
        }
    }

    void PrintTo(const Transition& row, std::ostream* os) { *os << row.name; }

    using Param = std::tuple<Kind, Transition>;

    class BreakerTransition : public ::testing::TestWithParam<Param>
    {
    };

    TEST_P(BreakerTransition, LeadsWhereTheTableSays)
    {
        const auto& [kind, row] = GetParam();
        auto sut = BreakerRig::make(kind, row.settings);
        arrange(*sut, row.start);
        sut->reports();
        const size_t logMark = sut->log().size();
        sut->world().store().clearWrites();

        row.event(*sut);

        EXPECT_EQ(sut->reports(), row.reports);
        EXPECT_EQ(sut->mode(), row.next);
        EXPECT_EQ(sut->value("On_c"), row.outputs.on);
        EXPECT_EQ(sut->value("Off_c"), row.outputs.off);
        if (kind == Kind::qc)
        {
            EXPECT_EQ(sut->value("SyncOn_c"), row.outputs.sync);
        }
        if (row.log)
        {
            EXPECT_NE(sut->log().find(sut->text(row.log), logMark), std::string::npos)
                << "no line with \"" << sut->text(row.log) << "\" in\n"
                << sut->log().substr(logMark);
        }
        if (row.raised)
        {
            EXPECT_EQ(sut->value(row.raised), 1) << row.raised;
        }
        if (row.neverOn)
        {
            for (const auto& w : sut->world().store().writes())
                EXPECT_FALSE(w.id == sut->sensor(row.neverOn) && w.value != 0) << row.neverOn << " was switched on";
        }
    }

    // Transitions of both breakers.
    const std::vector<Transition> sharedRows = {
        // Sleep: automatic control off
        {"SleepWakeOpen", Start::sleep, cmd(wake), {stOff}, "OffMode", {}, "(activate): ВКЛЮЧЁН Режим АУ."},
        {"SleepWakeClosed", Start::sleepClosed, cmd(wake), {stOn}, "OnMode"},
        {"SleepWakeTripped", Start::sleep, then(sense("Protection_s", 1), cmd(wake)), {tripped, tripped},
         "ProtectionMode", {}, ": init protection mode..."},
        {"SleepWakeUndefined", Start::sleep, then(move(Position::undefined), cmd(wake)), {tripped}, "ProtectionMode"},
        {"SleepTrip", Start::sleep, sense("Protection_s", 1), {tripped}, "SleepMode", {},
         "(sensorInfo): сработала защита 'токовая защита'"},
        {"SleepPositionChange", Start::sleep, move(Position::closed), {stOn, stOn}, "SleepMode"},
        {"SleepUndefinedNotReported", Start::sleep, move(Position::undefined), {}, "SleepMode"},
        {"SleepIgnoresCommands", Start::sleep, then(cmd(on), cmd(off)), {}, "SleepMode"},
        {"SleepStaysWhenUndefinedHeld", Start::sleep, undefinedHeld(), {}, "SleepMode"},

        // Entry to Protection from the step: only after naTime of undefined position
        {"OffUndefinedHeld", Start::off, undefinedHeld(), {tripped}, "ProtectionMode", {},
         ": {B} неопределённое состояние!"},
        {"OffUndefinedBriefly", Start::off,
         [](BreakerRig& r) {
             r.position(Position::undefined);
             r.pass();
             r.position(Position::open);
             r.quiesce();
             r.advance(1000);
             r.quiesce();
         },
         {}, "OffMode"},
        {"OnUndefinedHeld", Start::on, undefinedHeld(), {tripped}, "ProtectionMode"},
        {"ClosingUndefinedHeld", Start::closing, undefinedHeld(), {tripped}, "ProtectionMode"},
        {"NegativeHoldStillTrips", Start::off, undefinedHeld(), {tripped}, "ProtectionMode", {}, nullptr, nullptr,
         nullptr, {{"naTime", "-1"}}},

        // Off
        {"OffSleep", Start::off, cmd(sleep), {stSleep, stOff, stOff}, "SleepMode"},
        {"OffCmdOn", Start::off, cmd(on), {}, "WaitingMode", {1, 0}, ": ждем включения автомата 2000 мсек"},
        {"OffCmdOff", Start::off, cmd(off), {stOff}, "OffMode", {}, ": ..............activate.............."},
        {"OffTrip", Start::off, sense("Protection_s", 1), {tripped}, "ProtectionMode", {},
         "(sensorInfo): сработала защита "},
        {"OffClosesByItself", Start::off, move(Position::closed), {stOn}, "OnMode", {},
         ": {B} НЕОЖИДАННО ВКЛЮЧИЛСЯ!!!"},
        {"OffIgnoresReset", Start::off, cmd(reset), {}, "OffMode"},

        // On
        {"OnSleep", Start::on, cmd(sleep), {stSleep, stOn, stOn}, "SleepMode"},
        {"OnCmdOff", Start::on, cmd(off), {}, "WaitingMode", {0, 1}, ": ждем отключения автомата"},
        {"OnCmdOn", Start::on, cmd(on), {stOn}, "OnMode", {}, ": ...activate..."},
        {"OnTrip", Start::on, sense("Protection_s", 1), {tripped}, "ProtectionMode", {},
         "(sensorInfo): сработала защита "},
        {"OnOpensWithProtection", Start::on,
         [](BreakerRig& r) {
             r.plant("State_On_s", 0);
             r.plant("State_Off_s", 1);
             r.plant("Protection_s", 1);
             r.quiesce();
         },
         {stOff, tripped}, "ProtectionMode", {}, "(sensorInfo): сработала защита "},
        {"OnOpensByItself", Start::on, move(Position::open), {stOff}, "OffMode", {},
         ": {B} НЕОЖИДАННО ОТКЛЮЧИЛСЯ!!!"},

        // Waiting: entry
        {"ClosingWithProtectionRead", Start::off,
         [](BreakerRig& r) {
             r.seenProtection(true);
             cmd(on)(r);
         },
         {stOff}, "OffMode", {}, ": не сброшена защита ", nullptr, "On_c"},
        {"ClosingAlreadyClosed", Start::off,
         [](BreakerRig& r) {
             r.silently(Position::closed);
             cmd(on)(r);
         },
         {stOn}, "OnMode", {}, ": уже включён", nullptr, "On_c"},
        {"OpeningAlreadyOpen", Start::on,
         [](BreakerRig& r) {
             r.silently(Position::open);
             cmd(off)(r);
         },
         {stOff}, "OffMode", {}, ": уже отключён", nullptr, "Off_c"},
        {"ClosingFromUndefined", Start::off,
         [](BreakerRig& r) {
             r.silently(Position::undefined);
             cmd(on)(r);
         },
         {tripped}, "ProtectionMode", {}, "{undefined}", nullptr, "On_c"},
        {"ShortCloseReachedInPlace", Start::off,
         [](BreakerRig& r) {
             r.command(on);
             r.position(Position::closed);
             r.quiesce();
         },
         {stOn}, "OnMode", {}, ": дождались", nullptr, nullptr, {{"OnTime", "300"}}},
        {"ShortCloseNotReached", Start::off, cmd(on), {}, "WaitingMode", {1, 0}, "(setTimer): ask tid=0 time=300 msec",
         nullptr, nullptr, {{"OnTime", "300"}}},
        {"ShortOpenReachedInPlace", Start::on,
         [](BreakerRig& r) {
             r.command(off);
             r.position(Position::open);
             r.quiesce();
         },
         {stOff}, "OffMode", {}, ": дождались", nullptr, nullptr, {{"OffTime", "300"}}},

        // Waiting: the commanded position, a trip, the time-out
        {"ClosingSeesClosed", Start::closing, move(Position::closed), {stOn}, "OnMode", {}, ": дождались"},
        {"ClosingThroughTransient", Start::closing,
         [](BreakerRig& r) {
             r.plant("State_On_s", 1); // both signals on for a moment
             r.pass();
             r.plant("State_Off_s", 0);
             r.quiesce();
         },
         {stOn}, "OnMode"},
        {"OpeningSeesOpen", Start::opening, move(Position::open), {stOff}, "OffMode", {}, ": дождались"},
        {"ClosingTrip", Start::closing, sense("Protection_s", 1), {tripped}, "ProtectionMode", {},
         ": сработала защита "},
        {"ClosingTimeOut", Start::closing, wait(2100), {notDone, stOff}, "OffMode", {},
         ":  Автомат НЕ ВКЛЮЧИЛСЯ за время 2000 мсек"},
        {"OpeningTimeOut", Start::opening, wait(2100), {notDone, stOn}, "OnMode", {},
         ":  Автомат НЕ ОТКЛЮЧИЛСЯ за время 2000 мсек"},

        // Waiting: another command
        {"ClosingSameCommand", Start::closing, cmd(on), {}, "WaitingMode", {1, 0},
         ": OnCommand!(но мы и так включаемся)..."},
        {"OpeningSameCommand", Start::opening, cmd(off), {}, "WaitingMode", {0, 1},
         ": OffCommand!(но мы и так отключаемся)..."},
        {"ClosingReversed", Start::closing, then(cmd(off), wait(2100)), {stOff}, "OffMode", {},
         ": OffCommand!(rollback)..."},
        {"OpeningReversed", Start::opening, then(cmd(on), wait(2100)), {stOn}, "OnMode", {},
         ": OnCommand!(rollback)..."},
        {"ReversedCommandFallsBackToProtection", Start::closing,
         [](BreakerRig& r) {
             r.silently(Position::closed);
             cmd(off)(r);
             wait(2100)(r);
         },
         {notDone, stOn}, "OnMode", {}, ": непонятная причина перехода в состояние защиты..."},
        {"ClosingSleep", Start::closing, then(cmd(sleep), wait(2100)), {stSleep, stOff, stOff}, "SleepMode", {},
         "(rollback): откат команды..."},
        {"ClosingUnknownCommand", Start::closing, cmd(wake), {}, "WaitingMode", {1, 0},
         "(automatCommand): не известная команда!!!!"},

        // Protection
        {"ProtectionResetCleared", Start::protectionCleared, cmd(reset), {stOff}, "OffMode"},
        {"ProtectionResetRefused", Start::protection, cmd(reset), {}, "ProtectionMode", {},
         "(automatCommand): reset.. не сброшены признаки аварии...", "mid_CurrentProtection_Att"},
        {"ProtectionResetRefusedWhileUndefined", Start::off, then(undefinedHeld(), cmd(reset)), {tripped},
         "ProtectionMode", {}, "(checkProtection): неопределённое состояние ", "mid_NA_Att"},
        {"ProtectionCommandWhileTripped", Start::protection, cmd(on), {tripped}, "ProtectionMode", {},
         "{refused}не сброшены признаки аварии..."},
        {"ProtectionCommandNotReset", Start::protectionCleared, cmd(off), {refused}, "ProtectionMode", {},
         "{refused}не восстановлена защита..."},
        {"ProtectionSleep", Start::protection, cmd(sleep), {stSleep, tripped}, "SleepMode"},
        {"ProtectionEntryClosed", Start::on, [](BreakerRig& r) { r.enterProtection(); }, {stOn}, "OnMode", {},
         ": непонятная причина перехода в состояние защиты..."},
        {"ProtectionEntryOpen", Start::off, [](BreakerRig& r) { r.enterProtection(); }, {stOff}, "OffMode"},
        {"ProtectionWaitsForReset", Start::protection, then(sense("Protection_s", 0), wait(5000)), {},
         "ProtectionMode"},
    };

    // Transitions of the circuit breaker only: the off-only mode and the automatic reset.
    const Settings autoReset = {{"autoResetProtection", "1"}};
    const std::vector<Transition> automatRows = {
        {"OffOnlyCmdOff", Start::offOnly, cmd(off), {}, "OffOnlyMode", {0, 1}, ": ждем отключения автомата 2000 msec"},
        {"OffOnlyStillClosed", Start::offOnlyClosed, then(cmd(off), wait(2100)), {}, "OffOnlyMode", {},
         ": Don`t OFF 2000 msec", "mid_NotOff"},
        {"OffOnlyOpened", Start::offOnlyClosed, then(then(cmd(off), move(Position::open)), wait(2100)),
         {stOff, stOff}, "OffOnlyMode"},
        {"OffOnlyTrip", Start::offOnly, sense("Protection_s", 1), {tripped}, "OffOnlyMode"},
        // Nothing leaves the mode, so a contact glitch must not silence the breaker for good.
        {"OffOnlyReportsAgainAfterUndefined", Start::offOnly, then(undefinedHeld(), move(Position::closed)), {stOn},
         "OffOnlyMode"},
        {"OffOnlyIgnoresOtherCommands", Start::offOnly, then(then(cmd(on), cmd(wake)), cmd(sleep)), {},
         "OffOnlyMode"},
        {"AutoResetOnSensor", Start::protection, sense("Protection_s", 0), {stOff}, "OffMode", {}, nullptr, nullptr,
         nullptr, autoReset},
        {"AutoResetOnCheck", Start::protection,
         [](BreakerRig& r) {
             // The trip went off and no message came: only the check finds it.
             r.plant("Protection_s", 0);
             testing_support::drain(r.object());
             r.seenProtection(false);
             wait(2100)(r);
         },
         {stOff}, "OffMode", {}, nullptr, nullptr, nullptr, autoReset},
        {"AutoResetWaitsForCause", Start::protection, wait(2100), {}, "ProtectionMode", {},
         "(checkProtection): не cброшена токовая защита ", "mid_CurrentProtection_Att", nullptr, autoReset},
        {"NoCheckAfterProtectionLeft", Start::off,
         [](BreakerRig& r) {
             r.enterProtection();
             wait(5000)(r);
         },
         {stOff}, "OffMode", {}, nullptr, nullptr, nullptr, autoReset},
    };

    // Transitions of the bus-tie breaker only: the close through the synchroniser.
    const std::vector<Transition> qcRows = {
        {"OffCmdOnSync", Start::off, cmd(onSync), {}, "WaitingMode", {0, 0, 1},
         ": ждем включения автомата с синхронизацией 3000 мсек", "mid_SyncOn"},
        {"OnCmdOnSync", Start::on, cmd(onSync), {stOn}, "OnMode"},
        {"SyncEntryWithProtectionRead", Start::off,
         [](BreakerRig& r) {
             r.seenProtection(true);
             cmd(onSync)(r);
         },
         {stOff}, "OffMode", {}, ": не сброшена защита ", nullptr, "SyncOn_c"},
        {"SyncClosingSeesClosed", Start::syncClosing, move(Position::closed), {stOn}, "OnMode", {}, ": дождались"},
        {"SyncClosingFault", Start::syncClosing, sense("Synchro_Failure_s", 1), {notDone, stOff}, "OffMode", {},
         ": включение через СИНХРОНИЗАТОР невозможно, т.к. он НЕИСПРАВЕН", "mid_NotOn"},
        {"SyncFaultRaisedDuringSyncClose", Start::syncClosing, sense("Synchro_Failure_s", 1), {notDone, stOff},
         "OffMode", {}, nullptr, "mid_SyncFailure"},
        {"ClosingIgnoresSyncFault", Start::closing, sense("Synchro_Failure_s", 1), {}, "WaitingMode", {1, 0, 0}},
        {"SyncClosingTimeOut", Start::syncClosing, wait(3100), {notDone, stOff}, "OffMode", {},
         ":  Автомат НЕ ВКЛЮЧИЛСЯ за время 3000 мсек"},
        {"SyncClosingSameCommand", Start::syncClosing, cmd(onSync), {}, "WaitingMode", {0, 0, 1},
         ": OnSyncCommand!(но мы и так включаемся)..."},
        {"ClosingThenOnSync", Start::closing, cmd(onSync), {}, "WaitingMode", {0, 0, 1},
         ": OnSyncCommand!(rollback)..."},
        {"SyncClosingThenOn", Start::syncClosing, cmd(on), {}, "WaitingMode", {1, 0, 0}, ": OnCommand!(rollback)..."},
        {"SyncClosingSleep", Start::syncClosing, then(cmd(sleep), wait(3100)), {stSleep, stOff, stOff}, "SleepMode"},
        {"ProtectionIgnoresOnSync", Start::protection, cmd(onSync), {}, "ProtectionMode"},
    };

    std::string rowName(const ::testing::TestParamInfo<Param>& info)
    {
        return kindName(std::get<0>(info.param)) + "_" + std::get<1>(info.param).name;
    }

    INSTANTIATE_TEST_SUITE_P(Shared, BreakerTransition,
                             ::testing::Combine(::testing::Values(Kind::automat, Kind::qc),
                                                ::testing::ValuesIn(sharedRows)),
                             rowName);
    INSTANTIATE_TEST_SUITE_P(AutomatOnly, BreakerTransition,
                             ::testing::Combine(::testing::Values(Kind::automat), ::testing::ValuesIn(automatRows)),
                             rowName);
    INSTANTIATE_TEST_SUITE_P(QCOnly, BreakerTransition,
                             ::testing::Combine(::testing::Values(Kind::qc), ::testing::ValuesIn(qcRows)),
                             rowName);
}
