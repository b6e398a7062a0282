#include "Signals.h"

#include <pthread.h>

namespace uniset
{
    sigset_t stopSignals()
    {
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGTERM);
        sigaddset(&set, SIGINT);
        return set;
    }

    sigset_t activatorSignals()
    {
        sigset_t set = stopSignals();
        sigaddset(&set, SIGHUP);
        return set;
    }

    void blockTerminationSignals()
    {
        const sigset_t set = activatorSignals();
        pthread_sigmask(SIG_BLOCK, &set, nullptr);
    }
}
