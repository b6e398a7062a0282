// Local timers of an object: checkTimers queues a TimerMessage for each timer that is due.
#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <mutex>

#include "MessageType.h"
#include "PassiveTimer.h"
#include "UniSetTypes.h"

class UniSetObject;

class LT_Object
{
public:
    LT_Object() = default;
    virtual ~LT_Object() = default;

    // Asks (or replaces) timer id: every timeMS, ticks times (-1 without end);
    // 0 ms cancels. Returns the time to the nearest timer, -1 when none.
    int askTimer(UniSetTypes::TimerId id, long timeMS, short ticks = -1,
                 UniSetTypes::Message::Priority p = UniSetTypes::Message::High);
    // Queues one TimerMessage into obj for each due timer, even one overdue by
    // several periods, stamped with the ask it fell due for. Returns the time to
    // the nearest timer, -1 when none.
    int checkTimers(UniSetObject* obj);
    // False for an expiry whose timer has been asked again or cancelled since it
    // was queued: its handler must not see it. A one-tick timer that fired stays
    // current until its id is asked again; a message built by hand always is.
    bool isCurrent(const UniSetTypes::TimerMessage& tm) const;
    // Interval of timer id, 0 when not asked.
    long getTimeInterval(UniSetTypes::TimerId id) const;
    // Time left until timer id fires, -1 when not asked.
    long getTimeLeft(UniSetTypes::TimerId id) const;

private:
    struct TimerInfo
    {
        UniSetTypes::TimerId id;
        long interval;
        short ticks;
        UniSetTypes::Message::Priority priority;
        PassiveTimer tmr;
        uint64_t ask;
    };
    int nearest() const;

    mutable std::mutex mtx;
    std::list<TimerInfo> timers;
    uint64_t lastAsk = 0;
    // The ask whose expiries are still wanted, per timer id; none after a cancel.
    std::map<UniSetTypes::TimerId, uint64_t> currentAsk;
};
