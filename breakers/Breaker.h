// What a circuit breaker and the bus-tie breaker share: the command entry points,
// the four triggers, the mode switching, the undefined-position check, the reports
// to the owner and the terminate handler. Self is the breaker class (Automat, QC),
// SK its generated skeleton.
#pragma once

#include <atomic>
#include <initializer_list>
#include <memory>
#include <ostream>
#include <string>
#include <utility>

#include <libxml/tree.h>

#include "AutomatMessages.h"
#include "DebugStream.h"
#include "ExclusiveTrigger.h"
#include "ObjectsManager.h"
#include "OrTrigger.h"
#include "PassiveTimer.h"

template <class B>
class BreakerMode;

template <class Self, class SK>
class Breaker : public SK
{
public:
    using Mode = BreakerMode<Self>;
    using ObjectId = UniSetTypes::ObjectId;

    enum Timers
    {
        tmOn = 0, // wait for the breaker to close after a close command
        tmOff = 1 // wait for it to open after Off_c
    };

    ~Breaker() override;

    // The class log of the breaker and of its modes; the first call copies the stream.
    static DebugStream dlog;
    static void initLog(const DebugStream& d);

    // Command entry points, callable from any thread: each only queues the command
    // into this breaker's own queue, and the breaker's loop carries it out.
    void cmdOn() { pushCommand(AutomatMessage::cmdOn); }
    void cmdOff() { pushCommand(AutomatMessage::cmdOff); }
    void cmdReset() { pushCommand(AutomatMessage::cmdReset); }
    void cmdSleep() { pushCommand(AutomatMessage::cmdSleep); }
    void cmdWake() { pushCommand(AutomatMessage::cmdWake); }

    // Any thread: the position from the last values read; true closed, false open;
    // UniSetTypes::TimeOut when both position signals are equal.
    bool getState() const;
    // As getState, but refuses while a command is in progress.
    bool getStateChecked() const;
    // Any thread: the object name and the current mode's name in parentheses.
    std::string getName() const;

    // --- the mode machine's side (the breaker's own thread only)
    void changeMode(Mode* next);
    // Recomputes the undefined-position flag; with commit feeds it to the protection trigger.
    bool checkNA(bool commit);
    void automatCommand(const AutomatMessage* msg);
    void setOut(ObjectId sid, bool state);
    void setTimer(Timers tid, int timeMS);
    void setProtection(bool state);

    void report(AutomatMessage::Kind kind, int code, UniSetTypes::Message::Priority prio);
    // The settle pause after a position change, then the inputs read again.
    void settle();
    // Asks notification of the protection and the two position inputs.
    void askInputs();
    // Sleeps in the breaker's own thread; cut short when the program ends.
    void pause(int ms) { this->pauseFor(ms); }
    bool isPositionChange(const UniSetTypes::SensorMessage* sm) const;
    bool isProtectionTrip(const UniSetTypes::SensorMessage* sm) const;

    ObjectsManager* owner = nullptr;
    std::unique_ptr<ExclusiveTrigger<Breaker, ObjectId, bool>> outTrigger;
    std::unique_ptr<ExclusiveTrigger<Breaker, Timers, int>> timerTrigger;
    std::unique_ptr<OrTrigger<Breaker>> protectionTrigger;
    std::unique_ptr<ExclusiveTrigger<SK, ObjectId, bool>> msgTrigger;
    PassiveTimer naTimer;   // how long the position has been undefined
    bool naState = false;   // undefined position as last seen by the mode's step
    bool naHeld = false;    // this stretch of undefined position has lasted naTime
    bool protection = false;
    int repeatLimit = 0;
    int repeatCount = 0;
    int cmd = AutomatMessage::cmdOff;
    int prevCmd = AutomatMessage::cmdOff;
    Mode* prevMode = nullptr;

    Mode* currentMode() const { return mode.load(); }

protected:
    Breaker(ObjectId id, xmlNode* cnode) : SK(id, cnode) {}
    Breaker() : SK() {}

    // Refuses a time setting below 1 with the text the configuration's reader acts on.
    void requirePositive(std::initializer_list<std::pair<const char*, int>> settings) const;
    // After the settings are checked: registers with the owner, builds the triggers
    // (which write every command output off and cancel both timers once) and puts the
    // breaker into its Sleep mode, to be activated by the start-up message.
    void start(ObjectsManager* own, std::initializer_list<ObjectId> outputs,
               std::initializer_list<ObjectId> messages, int naTime);

    void processingMessage(UniSetTypes::VoidMessage* msg) override;
    void sigterm(int signo) override;
    void sysCommand(const UniSetTypes::SystemMessage* sm) override;
    void sensorInfo(const UniSetTypes::SensorMessage* sm) override;
    void timerInfo(const UniSetTypes::TimerMessage* tm) override;
    void step() override;

    Self* self() { return static_cast<Self*>(this); }
    const Self* self() const { return static_cast<const Self*>(this); }
    const std::string& objectName() const { return UniSetObject::getName(); }

    void pushCommand(AutomatMessage::CommandCode code);

private:
    // Other threads print the mode in getName.
    std::atomic<Mode*> mode{nullptr};
    // A failed change makes the old mode current and activates it again; when that
    // activation fails in turn, it must not start the round once more.
    bool restoring = false;
};

template <class Self, class SK>
std::ostream& operator<<(std::ostream& os, const Breaker<Self, SK>& b)
{
    return os << b.getName();
}

template <class Self, class SK>
std::ostream& operator<<(std::ostream& os, const Breaker<Self, SK>* b)
{
    return os << b->getName();
}
