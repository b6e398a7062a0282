// Starts the registered objects, each on its own thread, and stops them on a
// terminate signal (SIGTERM, SIGINT); SIGHUP asks every object to reopen its log.
// It sleeps until a signal, stop() or a program end wakes it: an idle program's
// activator makes no wake-ups of its own.
#pragma once

#include <atomic>
#include <csignal>
#include <thread>

#include "ObjectsManager.h"
#include "Signals.h"   // the signals it waits for

class ObjectsActivator : public ObjectsManager
{
public:
    // Blocks SIGTERM, SIGINT and SIGHUP in the calling thread, so that threads
    // started from here on leave them to the activator. Throws
    // UniSetTypes::SystemError when the system gives no descriptor to wait on.
    ObjectsActivator();
    ~ObjectsActivator() override;

    std::string getType() const override { return "ObjectsActivator"; }

    // Activates every registered object, starts their threads and waits for a
    // terminate signal or stop(). With thread true it waits on a thread of its
    // own and returns at once. When the runtime asked for the program's end
    // (uniset::endProgram), every object is stopped as on a signal and then
    // UniSetTypes::SystemError with the reason is thrown.
    void run(bool thread);
    // Terminates every object as a signal would (sigterm, the thread stops, its
    // subscriptions are cancelled). Any thread.
    void stop();
    // For run(true): waits until every object has stopped; throws as run does.
    void join();
    bool isRunning() const { return runningFlag.load(); }

private:
    void waitForSignals();
    void terminateAll(int signo);
    void joinWaiter();
    void throwIfEndedByFailure();

    std::atomic<bool> stopFlag{false};
    int stopDescriptor = -1;   // an eventfd that stop() makes readable
    std::atomic<bool> runningFlag{false};
    std::thread waiter;
    // Written by the waiting thread before it ends, read after it ended.
    bool endedByFailure = false;
    std::string failure;
};
