// Mutexes with lock time-outs for the direct cross-thread calls between objects.
#pragma once

#include <string>

#include "TimedMutex.h"

namespace UniSetTypes
{
    class uniset_mutex
    {
    public:
        uniset_mutex() = default;
        explicit uniset_mutex(std::string n) : nm(std::move(n)) {}
        uniset_mutex(const uniset_mutex&) = delete;
        uniset_mutex& operator=(const uniset_mutex&) = delete;

        void lock() { m.lock(); }
        void unlock() { m.unlock(); }
        bool try_lock_for(int timeoutMs);
        const std::string& name() const { return nm; }

    private:
        friend class uniset_mutex_lock;
        uniset::TimedMutex m;
        std::string nm;
    };

    // Scoped lock that waits at most timeoutMs; lock_ok() tells whether it got the mutex.
    class uniset_mutex_lock
    {
    public:
        // A negative time-out waits without limit.
        uniset_mutex_lock(uniset_mutex& m, int timeoutMs = -1);
        ~uniset_mutex_lock();
        uniset_mutex_lock(const uniset_mutex_lock&) = delete;
        uniset_mutex_lock& operator=(const uniset_mutex_lock&) = delete;

        bool lock_ok() const { return locked; }

    private:
        uniset_mutex& mutex;
        bool locked;
    };
}
