// A mode of a breaker: a stateless singleton that gets every event of the breaker it
// is current in. Everything a mode needs lives in the breaker B (Automat or QC), so
// one object of each mode serves every breaker of the program. The defaults here are
// what a mode does with an event it does not handle itself.
#pragma once

#include <string>

#include "AutomatMessages.h"
#include "MessageType.h"

template <class B>
class BreakerMode
{
public:
    virtual ~BreakerMode() = default;

    virtual void timerInfo(const UniSetTypes::TimerMessage*, B*) {}
    virtual void sensorInfo(const UniSetTypes::SensorMessage*, B*) {}
    virtual void sysCommand(const UniSetTypes::SystemMessage*, B*) {}
    // cmdSleep sends the breaker to sleep; every other command is ignored.
    virtual void automatCommand(const AutomatMessage* msg, B* b);
    virtual bool activate(B*) { return true; }
    virtual bool deactivate(B*) { return true; }
    // An undefined position that has lasted naTime without a break sends the breaker
    // to Protection, once per stretch; a switching transient is shorter than that.
    virtual void step(B* b);
    virtual std::string getName() const { return "???Mode"; }

protected:
    BreakerMode() = default;
    static void changeMode(BreakerMode* next, B* b) { b->changeMode(next); }
    // The mode's name with the breaker's prefix: "AutomatOffMode", "QCOffMode".
    static std::string nameOf(const char* mode) { return std::string(B::className) + mode; }
    // A protection trip: logs text and changes to Protection; true when it was one.
    static bool leaveOnTrip(const UniSetTypes::SensorMessage* sm, B* b, const char* text);
    // Entry of the Off and On modes: inputs asked, the position reported to the owner.
    static void announcePosition(B* b, AutomatMessage::StateCode position);
};
