// The process skeleton every process class derives from (through its X_SK), written
// once over the list of items each X_SK declares (SkeletonMacros.h; docs/skeleton.md
// shows how). Its parts, each in its own file:
//   ProcessSkeleton.cc   construction and settings, the loop (a pass, the messages,
//                        the system commands, the heartbeat, log rotation) and the
//                        start-up against shared memory;
//   SkeletonItems        the item table and its reading from the configuration;
//   SkeletonMirror       the inputs and outputs against the store;
//   SkeletonAlarms       the alarm messages.
#pragma once

#include <atomic>
#include <functional>
#include <list>
#include <libxml/tree.h>
#include <ostream>
#include <string>
#include <vector>

#include "Exceptions.h"
#include "LT_Object.h"
#include "MessageType.h"
#include "ObjectsManager.h"
#include "PassiveTimer.h"
#include "SkeletonAlarms.h"
#include "SkeletonItems.h"
#include "SkeletonMacros.h"
#include "SkeletonMirror.h"
#include "UniSetObject.h"
#include "UniSetTypes.h"

namespace ravna
{
    // What differs between the process classes besides their items.
    struct SkeletonTraits
    {
        std::string className;     // "Switchboard": the hand-written class, for the texts
        int sleepMsec;             // default of --sleep-msec
        int messagesPerPass;       // queued messages taken per loop pass
        std::string smTestName{};  // sensor name tried last for smTestID
    };

    template <class Base>
    class ProcessSkeleton : public Base, public LT_Object
    {
    public:
        ~ProcessSkeleton() override;

        // --- the loop (object thread)
        void callback() override;
        void processingMessage(UniSetTypes::VoidMessage* msg) override;
        bool activateObject() override;
        void sigterm(int signo) override;

        virtual void sysCommand(const UniSetTypes::SystemMessage* sm);
        virtual void askSensors(UniversalIO::UIOCommand cmd) {}
        virtual void sensorInfo(const UniSetTypes::SensorMessage* sm) {}
        virtual void timerInfo(const UniSetTypes::TimerMessage* tm) {}
        virtual void resetOutputs(bool set);
        virtual void step() = 0;

        // --- sensor access, outputs and alarm messages
        void getdata();
        void setdata(bool force);
        long getState(UniSetTypes::ObjectId sid);
        bool getBoolState(UniSetTypes::ObjectId sid) { return getState(sid) != 0; }
        void setState(UniSetTypes::ObjectId sid, long value) { setOutput(sid, value, "setState"); }
        void setBoolState(UniSetTypes::ObjectId sid, bool state) { setState(sid, state ? 1 : 0); }
        void savePreviousValues();
        void preSensorInfo(const UniSetTypes::SensorMessage* sm);
        // An expiry of a timer cancelled or asked again since it was queued is dropped
        // here, once for every class, so no handler acts on a timer it has given up.
        void preTimerInfo(const UniSetTypes::TimerMessage* tm)
        {
            if (isCurrent(*tm))
                timerInfo(tm);
        }
        void emitChangedInputs();
        virtual bool alarm(UniSetTypes::ObjectId code, bool state);
        void setMsg(UniSetTypes::ObjectId code, bool state);
        void resetMsg();
        // State of alarm message number i of the declared list.
        bool msgState(size_t i) const { return i < messageStates.size() && messageStates[i]; }
        // Called at the end of resetMsg: a class that remembers which message it
        // raised last forgets it here, so that raising it again writes it again.
        virtual void messagesCleared() {}

        void askSensorOnNode(UniSetTypes::ObjectId sid, UniversalIO::UIOCommand cmd, UniSetTypes::ObjectId node);
        void askInputOnNode(UniSetTypes::ObjectId sid, UniversalIO::UIOCommand cmd, UniSetTypes::ObjectId node);

        // --- start-up
        void preAskSensors(UniversalIO::UIOCommand cmd);
        void waitSM(int msec, UniSetTypes::ObjectId testID = UniSetTypes::DefaultObjectId);

        const SkeletonTraits& skeletonTraits() const { return info; }

        // --- settings and state shared by every process
        bool resetMsgFlag = false;
        PassiveTimer resetMsgTimer;
        int resetMsgTime = 2000;
        int sleepMsec = 0;
        std::atomic<bool> active{true};
        UniSetTypes::ObjectId smTestID = UniSetTypes::DefaultObjectId;
        PassiveTimer heartbeatTimer;
        UniSetTypes::ObjectId heartbeatId = UniSetTypes::DefaultObjectId;
        int heartbeatMax = 10;
        xmlNode* confNode = nullptr;
        int smReadyTimeout = 0;
        std::atomic<bool> activated{false};
        int activateTimeout = 20000;
        PassiveTimer startupTimer;
        int askPause = 2000;

    protected:
        ProcessSkeleton(UniSetTypes::ObjectId id, xmlNode* cnode, SkeletonTraits traits);
        // Only refuses: a process object is never built without an id and a node.
        explicit ProcessSkeleton(SkeletonTraits traits);

        // Reads the items and settings; the X_SK constructor calls it with its layout.
        void init(sk::Layout items);

        // setState under another method name in its log line.
        void setOutput(UniSetTypes::ObjectId sid, long value, const char* method);

        // Runs attempt until it returns true, pausing askPause ms between tries;
        // false when the object is terminated meanwhile.
        bool retryUntilDone(const std::function<bool()>& attempt);
        // Asks every id with ask; those that fail (each failure handed to onFailure)
        // are asked again after askPause, so one bad sensor leaves no other unasked.
        // False when the object is terminated first.
        bool askUntilDone(std::list<UniSetTypes::ObjectId> ids,
                          const std::function<void(UniSetTypes::ObjectId)>& ask,
                          const std::function<void(const UniSetTypes::Exception&)>& onFailure);

        // Wait for shared memory, read inputs, write outputs, ask for notifications.
        void startUp();

    private:
        void readHeartbeat();
        void heartbeat();
        void logRotate();
        [[noreturn]] void giveUpOnSharedMemory(int msec);
        // This object, as the mirror and the alarm messages write for it.
        sk::Access self() { return {this->ui, this->getName(), this->getId()}; }

        SkeletonTraits info;
        sk::Layout layout;
        std::vector<bool> messageStates;
        std::vector<bool> prevMessageStates;
    };

    // A process object prints as its name.
    template <class Base>
    std::ostream& operator<<(std::ostream& os, const ProcessSkeleton<Base>& obj)
    {
        return os << obj.getName();
    }

    extern template class ProcessSkeleton<UniSetObject>;
    extern template class ProcessSkeleton<ObjectsManager>;
}
