// A timed lock that says so when it was not had in time. A caller that does not
// get it refuses and leaves alone everything the lock guards; one that must not
// drop its work (a release) keeps it for later and says so in consequence.
#pragma once

#include <string>

#include "DebugStream.h"
#include "Mutex.h"

namespace Ravna
{
    class LoggedLock
    {
    public:
        // who and method begin the crit line: "SEESGroup1(acceptQG): ...".
        LoggedLock(UniSetTypes::uniset_mutex& m, int timeoutMs, const DebugStream& log, const std::string& who,
                   const char* method, const char* consequence = "nothing done")
            : lock(m, timeoutMs)
        {
            if (!lock.lock_ok())
                log.crit() << who << "(" << method << "): " << m.name() << " not locked in " << timeoutMs
                           << " msec, " << consequence << std::endl;
        }

        bool ok() const { return lock.lock_ok(); }

    private:
        UniSetTypes::uniset_mutex_lock lock;
    };
}
