// The signals a program is stopped and asked to rotate its log with. The activator
// waits for them; every other thread of the runtime (objects, the store's notifier,
// the store tools) blocks them, so that they reach the one thread that waits.
#pragma once

#include <csignal>

namespace uniset
{
    // SIGTERM and SIGINT: the signals that stop a program.
    sigset_t stopSignals();
    // The stop signals and SIGHUP, which asks for log rotation.
    sigset_t activatorSignals();
    // Blocks SIGTERM, SIGINT and SIGHUP in the calling thread (runtime threads call it).
    void blockTerminationSignals();
}
