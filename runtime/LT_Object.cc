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
        if (timeMS > 0 && ticks != 0)
            timers.push_back(TimerInfo{id, timeMS, ticks, p, PassiveTimer(static_cast<int>(timeMS))});
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
