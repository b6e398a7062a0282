#include "ObjectsActivator.h"

#include <csignal>
#include <ctime>

#include "Clock.h"
#include "DebugStream.h"
#include "Exceptions.h"
#include "ProgramEnd.h"
#include "Signals.h"

ObjectsActivator::ObjectsActivator() : ObjectsManager()
{
    setName("ObjectsActivator");
    uniset::blockTerminationSignals();
}

ObjectsActivator::~ObjectsActivator()
{
    if (runningFlag)
        stop();
    joinWaiter();
}

void ObjectsActivator::run(bool thread)
{
    uniset::blockTerminationSignals();
    stopFlag = false;
    runningFlag = true;
    activateObject();
    for (UniSetObject* o : allObjects())
        o->startThread();

    if (thread)
        waiter = std::thread([this] { waitForSignals(); });
    else
    {
        waitForSignals();
        throwIfEndedByFailure();
    }
}

void ObjectsActivator::throwIfEndedByFailure()
{
    if (endedByFailure)
    {
        endedByFailure = false;
        throw UniSetTypes::SystemError(failure);
    }
}

void ObjectsActivator::waitForSignals()
{
    const sigset_t set = uniset::activatorSignals();

    int signo = SIGTERM;
    while (!stopFlag)
    {
        if (uniset::programEnding())
        {
            failure = uniset::takeProgramEndReason();
            endedByFailure = true;
            break;
        }
        timespec ts{0, 50 * 1000 * 1000};
        const int sig = sigtimedwait(&set, nullptr, &ts);
        if (sig == SIGHUP)
        {
            // Log rotation: every object reopens its log from its own thread.
            broadcast(UniSetTypes::SystemMessage(UniSetTypes::SystemMessage::LogRotate).transport());
            continue;
        }
        if (sig == SIGTERM || sig == SIGINT)
        {
            signo = sig;
            break;
        }
    }
    terminateAll(signo);
    runningFlag = false;
}

void ObjectsActivator::terminateAll(int signo)
{
    auto tree = allObjects();
    for (UniSetObject* o : tree)
        o->terminate(signo);
    for (UniSetObject* o : tree)
        o->joinThread();
    // Before main destroys them: no store delivers into an object being destroyed.
    for (UniSetObject* o : tree)
        o->cancelSubscriptions();
}

void ObjectsActivator::stop() { stopFlag = true; }

void ObjectsActivator::join()
{
    joinWaiter();
    throwIfEndedByFailure();
}

void ObjectsActivator::joinWaiter()
{
    if (waiter.joinable() && waiter.get_id() != std::this_thread::get_id())
        waiter.join();
}
