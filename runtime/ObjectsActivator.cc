#include "ObjectsActivator.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include "Clock.h"
#include "DebugStream.h"
#include "Exceptions.h"
#include "ProgramEnd.h"
#include "Signals.h"

ObjectsActivator::ObjectsActivator() : ObjectsManager()
{
    setName("ObjectsActivator");
    uniset::blockTerminationSignals();
    if (uniset::programEndDescriptor() < 0)
        throw UniSetTypes::SystemError("ObjectsActivator: no descriptor to hear a program end on: " +
                                       std::string(std::strerror(errno)));
    stopDescriptor = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopDescriptor < 0)
        throw UniSetTypes::SystemError("ObjectsActivator: no descriptor to hear stop() on: " +
                                       std::string(std::strerror(errno)));
}

ObjectsActivator::~ObjectsActivator()
{
    if (runningFlag)
        stop();
    joinWaiter();
    close(stopDescriptor);
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

namespace
{
    // Empties an eventfd or a signalfd that polled readable; false when it held nothing.
    template <typename Item>
    bool take(int fd, Item& item)
    {
        return read(fd, &item, sizeof item) == static_cast<ssize_t>(sizeof item);
    }

    // The activator's signals as a descriptor, closed with it.
    struct SignalDescriptor
    {
        explicit SignalDescriptor(const sigset_t& set) : fd(signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK))
        {
            if (fd < 0)
                throw UniSetTypes::SystemError("ObjectsActivator: no descriptor to hear signals on: " +
                                               std::string(std::strerror(errno)));
        }
        ~SignalDescriptor() { close(fd); }
        const int fd;
    };
}

void ObjectsActivator::waitForSignals()
{
    // The signals stay blocked in every thread; the descriptor takes them as
    // sigwait would, and poll sleeps on it with stop() and the program's end.
    const SignalDescriptor signals(uniset::activatorSignals());
    pollfd wakers[] = {{signals.fd, POLLIN, 0}, {stopDescriptor, POLLIN, 0}, {uniset::programEndDescriptor(), POLLIN, 0}};

    int signo = SIGTERM;
    while (!stopFlag)
    {
        if (uniset::programEnding())
        {
            failure = uniset::takeProgramEndReason();
            endedByFailure = true;
            break;
        }
        if (poll(wakers, std::size(wakers), -1) < 0)
            continue;   // interrupted by another signal's handler
        uint64_t stops = 0;
        take(stopDescriptor, stops);
        signalfd_siginfo info{};
        if (!take(signals.fd, info))
            continue;
        if (info.ssi_signo == SIGHUP)
        {
            // Log rotation: every object reopens its log from its own thread.
            broadcast(UniSetTypes::SystemMessage(UniSetTypes::SystemMessage::LogRotate).transport());
            continue;
        }
        signo = static_cast<int>(info.ssi_signo);   // SIGTERM or SIGINT
        break;
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

void ObjectsActivator::stop()
{
    stopFlag = true;
    const uint64_t one = 1;
    (void)!write(stopDescriptor, &one, sizeof one);
}

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
