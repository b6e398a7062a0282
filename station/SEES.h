// The station object: one diesel-generator set (diesel, generator and the generator
// breaker QG) under one control. It runs its modes (the SEESMode family) on its own
// thread, reports to the supervision through SEESOwner and answers the supervision's
// direct calls (StationServices) from the supervision's thread.
//
// Threads: the station's own thread runs every handler, the modes and all they call.
// The supervision's thread calls the StationServices members, setControlMode's readers
// and setRequiredReserv. Every field that both threads touch is atomic, so a caller
// that goes on after a lock time-out still reads a whole value.
#pragma once

#include <atomic>
#include <initializer_list>
#include <memory>
#include <ostream>
#include <string>
#include <utility>

#include "A2D.h"
#include "DebugStream.h"
#include "Diesel.h"
#include "ExclusiveTrigger.h"
#include "Generator.h"
#include "Mutex.h"
#include "PassiveTimer.h"
#include "QG.h"
#include "SEESMessages.h"
#include "SEESOwner.h"
#include "SEES_SK.h"
#include "StationServices.h"

class SEESMode;

class SEES : public SEES_SK, public StationServices
{
public:
    using ObjectId = UniSetTypes::ObjectId;

    // Builds the station named name from its node, for owner, in group groupNum (0
    // until a group takes it). Creates its three unit monitors, which register with
    // it. Does not register itself with the owner. A faulty node throws
    // UniSetTypes::Exception naming the station and what is wrong.
    SEES(int groupNum, const std::string& name, SEESOwner* owner, xmlNode* cnode);
    // Only refuses, as the skeleton's does.
    SEES();
    ~SEES() override;

    // The class log of the station and its modes; the first call copies the stream.
    static DebugStream dlog;
    static void initLog(const DebugStream& log);

    // The object name, by which the supervision finds the station. Printing the
    // station (operator<<) gives the log prefix with the current mode.
    const std::string& getName() const override { return SEES_SK::getName(); }

    // --- queries of the supervision (any thread)
    bool isOn() override;
    // state_as mOFF: a set starting or stopping is neither on nor off.
    bool isOff() override;
    long getPriority() override;
    bool isAutoMode() override;
    bool isLeader();
    bool isReserv();
    long getF() override;
    long getU() override;
    long getP() override;
    // The control value the modes last acted on (controlModeMutex, 200 ms).
    int getControlMode();
    bool needReservOn() override;   // reservMutex, 250 ms
    bool needReservOff() override;  // reservMutex, 250 ms
    bool isProtection() override;   // protectionMutex, 1000 ms
    int getReservPower() override;
    bool canReservStart() override; // commandMutex, 200 ms, then the two above
    bool canReservStop() override;
    bool isOffCommandExpired();     // commandMutex, 300 ms
    bool isOnCommandExpired();

    // --- commands of the supervision (any thread); store failures pass to the caller
    void setAlone(bool alone) override;
    void resetReservCommands() override;
    void commandReservOn() override;
    void commandReservOff() override;
    // Writes Leader_f, three attempts; a failure is logged.
    void setReserv(bool leader) override;
    void setRequiredReserv(bool required) override;

    // On terminate (between two passes): the timers cancelled, every command output
    // off, lamps dark, ControlMode_f 1 and postID 0 written, then the loop stops.
    void sigterm(int signo) override;

    // --- the modes' side (the station's own thread)
    SEESMode* currentMode() const { return mode.load(); }
    // Makes next current: the old mode's exit action, the reserve demand, next's entry
    // action. A UniSetTypes::Exception brings the old mode back and enters it again.
    void changeMode(SEESMode* next);
    void setControlMode(int value);   // controlModeMutex, 300 ms
    void resetCommandTimer();         // commandMutex, 200 ms
    // Recomputes the leader's reserve demand and reports each change (events 8, 7).
    void updateNeedReservCommand();
    void setProtection(bool on);
    // The control-mode output from the three control switches.
    void checkUnbalance();

    // The timer trigger's action: one notification of timer id after msec; 0 cancels.
    void setTimer(int id, int msec);
    // The command trigger's action: writes the output at once; a failure is logged.
    void setOut(ObjectId out, bool state);
    // Writes a lamp at once: three attempts, 100 ms apart; false when all failed.
    bool setLamp(ObjectId lamp, long value);
    // Several lamps, in the order given.
    void setLamps(std::initializer_list<std::pair<ObjectId, long>> lamps);

    // One of the timers 1, 2, 5, 12 (the others stop); 0 stops it.
    void startTimer(int id, int msec) { timerTrigger->set(id, msec); }
    // One of the four command outputs on (the others off) or off.
    void commandOutput(ObjectId out, bool on) { commandTrigger->set(out, on); }
    // Raises an alarm message; the one raised before counts as reset.
    void raise(ObjectId mid) { messageTrigger->set(mid, true); }
    // A report to the supervision, with the station's number and group.
    void report(SEESMessage::Event event, int state);
    // Asks shared memory again to notify the station of each sensor: the current
    // value comes back as a sensor message.
    void askAgain(std::initializer_list<ObjectId> sensors);
    // Sleeps on the station's thread; cut short when the program ends.
    void pause(int ms) { pauseFor(ms); }

    // The supervision's leave to switch the QG. An ask is remembered, granted or not,
    // so that what it holds is given back and a station that never asked gives back
    // nothing: the supervision frees only what the caller holds, the leave or the
    // bus tie it began to prepare for a refused ask.
    bool askQGLeave(bool on);
    void releaseQGLeave();

    int getConfIntProp(const std::string& name) const;
    std::string getConfProp(const std::string& name) const;

    // --- settings of the station's node (milliseconds unless said otherwise)
    int OnTime = 0;
    int QGOnTime = 0;
    int QGOffTime = 0;
    int RunTime = 0;
    int OffTime = 0;
    int AcceptWaitingTime = 0;
    int AcceptControlTime = 0;
    int Load20Time = 0;
    int CommandPause = 0;
    int ReservCount = 0;   // a count
    int askTimeout = 0;
    int filterPause = 0;
    int protectionPause = 0;
    int initPause = 0;
    int coolingTime = 0;
    int NoPowerTime = 0;
    int BlockedRunTime = 0;
    int DGProtectionStopTime = 0;
    int DGProtectionCheckTime = 0;
    int modeTime = 0;
    int updateStateTime = 0;
    int resetPause = 0;
    int initAttempts = 0;  // a count

    SEESOwner* owner = nullptr;
    std::unique_ptr<QG> qg;
    std::unique_ptr<Diesel> diesel;
    std::unique_ptr<Generator> generator;
    std::unique_ptr<ExclusiveTrigger<SEES, int, int>> timerTrigger;
    std::unique_ptr<ExclusiveTrigger<SEES, ObjectId, bool>> commandTrigger;
    std::unique_ptr<ExclusiveTrigger<SEES_SK, ObjectId, bool>> messageTrigger;
    // The load-below-20 % filter of the automatic modes: 0 idle, 1 filtering, 2 confirmed.
    std::atomic<int> load20State{0};
    ObjectId myPostID = UniSetTypes::DefaultObjectId;
    PassiveTimer blinkOnTimer;
    PassiveTimer blinkOffTimer;

    // --- the pending command of the waiting modes (the station's thread)
    std::atomic<int> command{0};   // read by the command-expiry queries
    int prevCommand = 0;
    SEESMode* fallbackMode = nullptr;
    int attemptCount = 0;
    int attempts = 0;

    int maxPower = 0;
    int power = 0;
    ObjectId power_as = UniSetTypes::DefaultObjectId;
    ObjectId voltage_as = UniSetTypes::DefaultObjectId;
    ObjectId frequency_as = UniSetTypes::DefaultObjectId;
    // The last readings, pinned into int: the figures the supervision adds up are int.
    std::atomic<int> curP{0};
    std::atomic<int> curU{0};
    std::atomic<int> curF{0};
    std::atomic<int> reservPower{0};
    std::atomic<bool> requiredReserv{false};

protected:
    void processingMessage(UniSetTypes::VoidMessage* msg) override;
    void sysCommand(const UniSetTypes::SystemMessage* sm) override;
    void askSensors(UniversalIO::UIOCommand cmd) override;
    void sensorInfo(const UniSetTypes::SensorMessage* sm) override;
    void timerInfo(const UniSetTypes::TimerMessage* tm) override;
    void seesInfo(const SEESMessage* m);
    void step() override;
    void messagesCleared() override;

private:
    void readSettings();
    void checkSettings();
    template <class Monitor>
    std::unique_ptr<Monitor> createMonitor(const std::string& attribute);
    void buildTriggers();
    // Logs a control value no switch gives, once per change into it.
    void checkControlValue(long value);
    // A measurement read every analogTimer period; a failed read keeps the last one.
    void readMeasurement(ObjectId id, std::atomic<int>& into);
    bool commandExpired(int first, int second);
    bool commandTimerExpired() const;

    std::atomic<SEESMode*> mode{nullptr};
    // A failed change brings the old mode back; when that entry fails too, it must
    // not start the round once more.
    bool restoring = false;
    std::atomic<int> controlMode{0};
    long lastControlValue = 0;   // the last CtlMode_f message's value
    std::atomic<bool> reservOnNeeded{false};
    std::atomic<bool> reservOffNeeded{false};
    std::atomic<bool> protection{false};
    bool qgLeaveAsked = false;

    // The command timer as a start time, so that the supervision's reads of it are
    // whole even after a lock time-out.
    std::atomic<int64_t> commandTimerStart{0};
    PassiveTimer pingTimer;
    PassiveTimer analogTimer;
    bool unbalance = true;
    bool unbalanceTimerOn = false;
    bool unbalanceTimerState = false;
    PassiveTimer unbalanceTimer;

    UniSetTypes::uniset_mutex controlModeMutex;
    UniSetTypes::uniset_mutex commandMutex;
    UniSetTypes::uniset_mutex reservMutex;
    UniSetTypes::uniset_mutex protectionMutex;

    A2D a2d;
};

// The log prefix: the object name and the current mode's name in parentheses.
std::ostream& operator<<(std::ostream& os, const SEES& s);
std::ostream& operator<<(std::ostream& os, const SEES* s);
