// A timer that is polled: it never fires anything, it only tells whether its time has passed.
#pragma once

#include <cstdint>

#include "UniSetTypes.h"

class PassiveTimer
{
public:
    PassiveTimer();                    // never expires
    explicit PassiveTimer(int timeMS); // -1 never expires

    // Sets the interval and restarts; returns the interval.
    int setTiming(int timeMS);
    // True once the interval has passed since the last set or reset; never for -1.
    bool checkTime() const;
    void reset();
    // Milliseconds since the last set or reset.
    int64_t getCurrent() const;
    int getInterval() const { return interval; }
    // Milliseconds until expiry (0 when expired, -1 when it never expires).
    int64_t getLeft() const;

private:
    int interval;
    int64_t start;
};
