// One clock for every timer, lock time-out, sleep and message time stamp.
// Tests install a ManualClock, on which a sleep advances time at once.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <sys/time.h>

namespace uniset
{
    class TimedMutex;

    class Clock
    {
    public:
        virtual ~Clock() = default;
        // Monotonic milliseconds, for timers.
        virtual int64_t nowMs() const = 0;
        // Wall time, for message stamps.
        virtual timeval wallTime() const = 0;
        virtual void sleepMs(int64_t ms) = 0;
        // Waits at most timeoutMs for the mutex; true when locked.
        virtual bool tryLockFor(TimedMutex& m, int64_t timeoutMs) = 0;
        // Whether waits of the runtime may block a thread (false on the manual clock).
        virtual bool isReal() const = 0;
    };

    class RealClock final : public Clock
    {
    public:
        int64_t nowMs() const override;
        timeval wallTime() const override;
        void sleepMs(int64_t ms) override;
        bool tryLockFor(TimedMutex& m, int64_t timeoutMs) override;
        bool isReal() const override { return true; }
    };

    // Time moves only when a test advances it or something sleeps on it.
    class ManualClock final : public Clock
    {
    public:
        explicit ManualClock(int64_t startMs = 1000000) : now_(startMs) {}
        int64_t nowMs() const override { return now_.load(); }
        timeval wallTime() const override;
        void sleepMs(int64_t ms) override { if (ms > 0) now_ += ms; }
        // An uncontended lock is taken; a contended one fails after its time-out has "passed".
        bool tryLockFor(TimedMutex& m, int64_t timeoutMs) override;
        bool isReal() const override { return false; }

        void advance(std::chrono::milliseconds d) { now_ += d.count(); }
        void advanceMs(int64_t ms) { now_ += ms; }

    private:
        std::atomic<int64_t> now_;
    };

    Clock& clock();
    // Installs a clock (nullptr restores the real one). Not thread-safe: call
    // before any object thread runs.
    void setClock(Clock* c);

    // Installs a ManualClock for the scope of a test.
    class ScopedManualClock
    {
    public:
        ScopedManualClock() { setClock(&manual); }
        ~ScopedManualClock() { setClock(nullptr); }
        ManualClock manual;
    };
}

namespace UniSetTypes
{
    inline void msleep(int ms) { uniset::clock().sleepMs(ms); }
}
