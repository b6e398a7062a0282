#include "UniSetObject.h"

#include "Clock.h"
#include "DebugStream.h"
#include "Directory.h"
#include "Exceptions.h"
#include "ObjectRegistry.h"
#include "Signals.h"
#include "Store.h"

using namespace UniSetTypes;

namespace
{
    size_t defaultWatermark()
    {
        const uniset::Directory* dir = uniset::directory();
        const int w = dir ? dir->intOption("--queue-watermark", 1000) : 1000;
        return w > 0 ? static_cast<size_t>(w) : 1000;
    }
}

UniSetObject::UniSetObject(ObjectId id)
    : ui(this, id, terminatingFlag), myid(id), watermark(defaultWatermark())
{
    const uniset::Directory* dir = uniset::directory();
    myname = dir ? dir->nameOf(id) : std::string();
    if (myname.empty())
        myname = id == DefaultObjectId ? "UniSetObject" : "Object" + std::to_string(id);
    if (id != DefaultObjectId)
        uniset::registerObject(id, this);
}

UniSetObject::UniSetObject() : UniSetObject(DefaultObjectId) {}

UniversalInterface::UniversalInterface(UniSetObject* owner)
    : owner(owner),
      ownerId(owner ? owner->getId() : DefaultObjectId),
      ownerTerminating(owner ? &owner->terminatingFlag : nullptr)
{
}

UniSetObject::~UniSetObject()
{
    stopThread();
    joinThread();
    if (parent)
        parent->forgetChild(this);
    // Late for an object with a derived part: its owner cancels first (docs/runtime.md).
    cancelSubscriptions();
    if (myid != DefaultObjectId)
        uniset::unregisterObject(myid, this);
}

void UniSetObject::push(const TransportMessage& msg)
{
    size_t len = 0;
    bool crossed = false;
    {
        std::lock_guard<std::mutex> lk(queueMutex);
        queue.emplace_back(msg);
        len = queue.size();
        if (len > watermark && !aboveWatermark)
            crossed = aboveWatermark = true;
    }
    queueCond.notify_one();
    if (crossed)
        unideb.any() << myname << "(push): message queue is long: " << len << " messages" << std::endl;
}

bool UniSetObject::receiveMessage(VoidMessage& vm)
{
    std::lock_guard<std::mutex> lk(queueMutex);
    if (queue.empty())
        return false;
    vm = queue.front();
    queue.pop_front();
    if (aboveWatermark && queue.size() <= watermark / 2)
        aboveWatermark = false;
    return true;
}

bool UniSetObject::waitMessage(VoidMessage& vm, int timeMS)
{
    if (receiveMessage(vm))
        return true;
    if ((timeMS <= 0 && timeMS != kUntilStopped) || stopping())
        return false;
    const auto arrivedOrStopped = [&] { return !queue.empty() || stopping(); };
    if (timeMS == kUntilStopped)
    {
        // No time-out to look at the flags again: they are set under this lock and wake the wait.
        std::unique_lock<std::mutex> lk(queueMutex);
        queueCond.wait(lk, arrivedOrStopped);
    }
    else if (!uniset::clock().isReal())
    {
        uniset::clock().sleepMs(timeMS);
    }
    else
    {
        std::unique_lock<std::mutex> lk(queueMutex);
        queueCond.wait_for(lk, std::chrono::milliseconds(timeMS), arrivedOrStopped);
    }
    return receiveMessage(vm);
}

size_t UniSetObject::countMessages() const
{
    std::lock_guard<std::mutex> lk(queueMutex);
    return queue.size();
}

void UniSetObject::cleanMsgQueue()
{
    std::lock_guard<std::mutex> lk(queueMutex);
    queue.clear();
    aboveWatermark = false;
}

bool UniSetObject::activateObject() { return true; }

bool UniSetObject::disactivate()
{
    setStopFlag(stopRequested);
    cancelSubscriptions();
    return true;
}

void UniSetObject::sigterm(int) { setStopFlag(stopRequested); }

void UniSetObject::cancelSubscriptions() { uniset::Store::forgetEverywhere(this); }

void UniSetObject::callback()
{
    VoidMessage vm;
    if (waitMessage(vm, kUntilStopped))
        processingMessage(&vm);
}

void UniSetObject::processingMessage(VoidMessage*) {}

void UniSetObject::startThread()
{
    if (running.exchange(true))
        return;
    if (thread.joinable())
        thread.join();
    stopRequested = false;
    thread = std::thread([this] { threadMain(); });
}

void UniSetObject::threadMain()
{
    uniset::blockTerminationSignals();
    while (!stopping())
    {
        std::lock_guard<std::mutex> lk(passMutex);
        if (stopping())
            break;
        try
        {
            callback();
        }
        catch (const std::exception& ex)
        {
            unideb.any() << myname << "(callback): " << ex.what() << std::endl;
        }
        catch (...)
        {
            unideb.any() << myname << "(callback): catch ..." << std::endl;
        }
    }
    running = false;
}

void UniSetObject::setStopFlag(std::atomic<bool>& flag)
{
    {
        // Under the lock the waits check it under: a waiter has either seen the flag
        // or is already waiting, so the notification below reaches it.
        std::lock_guard<std::mutex> lk(queueMutex);
        flag = true;
    }
    pauseCond.notify_all();
    queueCond.notify_all();
}

void UniSetObject::terminate(int signo)
{
    // Ends the current pass's wait; the thread makes no pass after it.
    setStopFlag(terminatingFlag);
    std::lock_guard<std::mutex> lk(passMutex);
    sigterm(signo);
    setStopFlag(stopRequested);
}

void UniSetObject::stopThread() { setStopFlag(stopRequested); }

void UniSetObject::joinThread()
{
    if (thread.joinable() && thread.get_id() != std::this_thread::get_id())
        thread.join();
}

bool UniSetObject::pauseFor(int ms)
{
    if (terminating())
        return false;
    if (ms <= 0)
        return true;
    if (!uniset::clock().isReal())
    {
        uniset::clock().sleepMs(ms);
        return true;
    }
    std::unique_lock<std::mutex> lk(queueMutex);
    return !pauseCond.wait_for(lk, std::chrono::milliseconds(ms), [&] { return stopping(); });
}
