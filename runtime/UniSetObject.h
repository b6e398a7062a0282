// A process object: an id, a name, a message queue and a thread that calls
// callback() over and over. docs/runtime.md gives the threading contract.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "MessageType.h"
#include "UniSetTypes.h"
#include "UniversalInterface.h"

class UniSetObject
{
public:
    explicit UniSetObject(UniSetTypes::ObjectId id);
    // An object with no id, named "UniSetObject".
    UniSetObject();
    virtual ~UniSetObject();
    UniSetObject(const UniSetObject&) = delete;
    UniSetObject& operator=(const UniSetObject&) = delete;

    UniSetTypes::ObjectId getId() const { return myid; }
    const std::string& getName() const { return myname; }
    virtual std::string getType() const { return "UniSetObject"; }
    bool exist() const { return true; }

    // Queues a message; any thread. Nothing is ever dropped.
    virtual void push(const UniSetTypes::TransportMessage& msg);
    // Takes the oldest message; false when the queue is empty.
    bool receiveMessage(UniSetTypes::VoidMessage& vm);
    // As receiveMessage, waiting at most timeMS for one to arrive; with kUntilStopped,
    // as long as it takes, until a message comes or the object is stopped.
    bool waitMessage(UniSetTypes::VoidMessage& vm, int timeMS);
    static constexpr int kUntilStopped = -1;
    size_t countMessages() const;
    void cleanMsgQueue();
    // A crit line is logged each time the queue grows past this length.
    void setQueueWatermark(size_t n) { watermark = n; }

    virtual bool activateObject();
    // Stops the thread's passes and cancels the object's subscriptions.
    virtual bool disactivate();
    // Called by the activator on terminate, never during a pass of this object.
    virtual void sigterm(int signo);

    // One pass of the object's loop; its thread calls it over and over. The default
    // waits for one message and hands it to processingMessage.
    virtual void callback();
    virtual void processingMessage(UniSetTypes::VoidMessage* msg);

    // --- thread control, used by the activator and managers
    void startThread();
    // Marks the object terminating, runs sigterm between two passes, stops the thread.
    void terminate(int signo);
    void stopThread();
    void joinThread();
    bool threadRunning() const { return running.load(); }
    // True once terminate has begun: long waits inside a pass end early.
    bool terminating() const { return terminatingFlag.load(); }
    // Sleeps ms on the runtime clock; returns early (false) when terminating or stopped.
    bool pauseFor(int ms);

    // Ends every notification the object asked for, in every store, waiting for a
    // delivery in flight: once it returns, no thread pushes into the object. Whoever
    // stops an object for good calls it before the object is destroyed (the activator,
    // removeObject, disactivate), so that no delivery meets a half-destroyed object.
    void cancelSubscriptions();

    UniversalInterface ui;

protected:
    void setName(const std::string& n) { myname = n; }
    // A manager forgets a registered object that goes away; other objects register none.
    virtual void forgetChild(UniSetObject* child) {}

private:
    friend class ObjectsManager;
    friend class UniversalInterface;   // an object's interface ends its waits with the object
    void threadMain();
    // Sets a stop flag and wakes whatever the thread waits on.
    void setStopFlag(std::atomic<bool>& flag);
    bool stopping() const { return terminatingFlag.load() || stopRequested.load(); }

    UniSetTypes::ObjectId myid;
    std::string myname;
    UniSetObject* parent = nullptr;   // the manager that registered it

    // Guards the queue; the stop flags are set under it too, as the waits check them under it.
    mutable std::mutex queueMutex;
    std::condition_variable queueCond;
    std::condition_variable pauseCond;
    std::deque<UniSetTypes::VoidMessage> queue;
    size_t watermark;
    bool aboveWatermark = false;

    std::mutex passMutex;          // one pass or one sigterm at a time
    std::atomic<bool> terminatingFlag{false};
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> running{false};
    std::thread thread;
};
