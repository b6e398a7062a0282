#include "PassiveTimer.h"

#include "Clock.h"

PassiveTimer::PassiveTimer() : PassiveTimer(UniSetTypes::TimeoutInfinity) {}

PassiveTimer::PassiveTimer(int timeMS) : interval(timeMS), start(uniset::clock().nowMs()) {}

int PassiveTimer::setTiming(int timeMS)
{
    interval = timeMS < 0 ? UniSetTypes::TimeoutInfinity : timeMS;
    reset();
    return interval;
}

bool PassiveTimer::checkTime() const
{
    if (interval < 0)
        return false;
    return getCurrent() >= interval;
}

void PassiveTimer::reset() { start = uniset::clock().nowMs(); }

int64_t PassiveTimer::getCurrent() const { return uniset::clock().nowMs() - start; }

int64_t PassiveTimer::getLeft() const
{
    if (interval < 0)
        return -1;
    const int64_t left = interval - getCurrent();
    return left > 0 ? left : 0;
}
