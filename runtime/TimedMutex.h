// The mutex under every lock time-out (uniset_mutex, Mutex.h). The clock takes it,
// so that the manual clock can fail a contended lock at once.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace uniset
{
    // A mutex with a bounded wait, made of a plain mutex and a condition so that
    // the thread sanitizer follows it.
    class TimedMutex
    {
    public:
        void lock();
        bool try_lock();
        bool try_lock_for(std::chrono::milliseconds d);
        void unlock();

    private:
        std::mutex m;
        std::condition_variable cv;
        bool locked = false;
    };
}
