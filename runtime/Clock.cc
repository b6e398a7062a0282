#include "Clock.h"

#include <thread>

#include "TimedMutex.h"

namespace uniset
{
    int64_t RealClock::nowMs() const
    {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }

    timeval RealClock::wallTime() const
    {
        timeval tv{};
        gettimeofday(&tv, nullptr);
        return tv;
    }

    void RealClock::sleepMs(int64_t ms)
    {
        if (ms > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }

    bool RealClock::tryLockFor(TimedMutex& m, int64_t timeoutMs)
    {
        if (timeoutMs < 0)
        {
            m.lock();
            return true;
        }
        return m.try_lock_for(std::chrono::milliseconds(timeoutMs));
    }

    timeval ManualClock::wallTime() const
    {
        const int64_t ms = now_.load();
        timeval tv{};
        tv.tv_sec = ms / 1000;
        tv.tv_usec = (ms % 1000) * 1000;
        return tv;
    }

    bool ManualClock::tryLockFor(TimedMutex& m, int64_t timeoutMs)
    {
        if (m.try_lock())
            return true;
        if (timeoutMs < 0)
        {
            m.lock();
            return true;
        }
        now_ += timeoutMs;
        return false;
    }

    namespace
    {
        RealClock realClock;
        Clock* current = &realClock;
    }

    Clock& clock() { return *current; }

    void setClock(Clock* c) { current = c ? c : &realClock; }
}
