#include "LT_Object.h"

#include <algorithm>
#include <vector>

#include "UniSetObject.h"

using namespace UniSetTypes;

int LT_Object::askTimer(TimerId id, long timeMS, short ticks, Message::Priority p)
{
    {
        std::lock_guard<std::mutex> lk(mtx);
        timers.remove_if([id](const TimerInfo& t) { return t.id == id; });
        // An expiry of the ask replaced here may already wait in the queue.
        currentAsk.erase(id);
        if (timeMS > 0 && ticks != 0)
        {
            const uint64_t ask = ++lastAsk;
            timers.push_back(TimerInfo{id, timeMS, ticks, p, PassiveTimer(static_cast<int>(timeMS)), ask});
            currentAsk[id] = ask;
        }
    }
    return nearest();
}

int LT_Object::checkTimers(UniSetObject* obj)
{
    std::vector<TimerMessage> due;
    {
        std::lock_guard<std::mutex> lk(mtx);
        for (auto it = timers.begin(); it != timers.end();)
        {
            if (!it->tmr.checkTime())
            {
                ++it;
                continue;
            }
            TimerMessage tm(it->id, it->priority, obj ? obj->getId() : DefaultObjectId);
            tm.ask = it->ask;
            due.push_back(tm);
            if (it->ticks > 0 && --it->ticks == 0)
            {
                it = timers.erase(it);
                continue;
            }
            it->tmr.reset();
            ++it;
        }
    }
    if (obj)
        for (const auto& tm : due)
            obj->push(tm.transport());
    return nearest();
}

bool LT_Object::isCurrent(const TimerMessage& tm) const
{
    if (tm.ask == 0)
        return true;
    std::lock_guard<std::mutex> lk(mtx);
    const auto it = currentAsk.find(tm.id);
    return it != currentAsk.end() && it->second == tm.ask;
}

int LT_Object::nearest() const
{
    std::lock_guard<std::mutex> lk(mtx);
    int64_t best = -1;
    for (const auto& t : timers)
    {
        const int64_t left = t.tmr.getLeft();
        if (best < 0 || left < best)
            best = left;
    }
    return static_cast<int>(best);
}

long LT_Object::getTimeInterval(TimerId id) const
{
    std::lock_guard<std::mutex> lk(mtx);
    for (const auto& t : timers)
        if (t.id == id)
            return t.interval;
    return 0;
}

long LT_Object::getTimeLeft(TimerId id) const
{
    std::lock_guard<std::mutex> lk(mtx);
    for (const auto& t : timers)
        if (t.id == id)
            return static_cast<long>(t.tmr.getLeft());
    return -1;
}
