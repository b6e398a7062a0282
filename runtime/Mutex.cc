#include "Mutex.h"

#include "Clock.h"

namespace UniSetTypes
{
    bool uniset_mutex::try_lock_for(int timeoutMs) { return uniset::clock().tryLockFor(m, timeoutMs); }

    uniset_mutex_lock::uniset_mutex_lock(uniset_mutex& m, int timeoutMs)
        : mutex(m), locked(m.try_lock_for(timeoutMs))
    {
    }

    uniset_mutex_lock::~uniset_mutex_lock()
    {
        if (locked)
            mutex.unlock();
    }
}
