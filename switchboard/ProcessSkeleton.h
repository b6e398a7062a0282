// The process skeleton every process class derives from (through its X_SK):
// settings, the object loop, start-up against shared memory, sensor access,
// output writing and alarm messages, written once over a list of items that each
// X_SK declares with RAVNA_SKELETON. docs/skeleton.md shows how to declare one.
#pragma once

#include <atomic>
#include <functional>
#include <list>
#include <libxml/tree.h>
#include <ostream>
#include <string>
#include <type_traits>
#include <vector>

#include "Exceptions.h"
#include "LT_Object.h"
#include "MessageType.h"
#include "ObjectsManager.h"
#include "PassiveTimer.h"
#include "UniSetObject.h"
#include "UniSetTypes.h"

namespace ravna::sk
{
    enum class Direction
    {
        in,
        out
    };
    inline constexpr Direction dir_in = Direction::in;
    inline constexpr Direction dir_out = Direction::out;

    inline constexpr UniversalIO::IOTypes DI = UniversalIO::DigitalInput;
    inline constexpr UniversalIO::IOTypes DO = UniversalIO::DigitalOutput;
    inline constexpr UniversalIO::IOTypes AI = UniversalIO::AnalogInput;
    inline constexpr UniversalIO::IOTypes AO = UniversalIO::AnalogOutput;

    inline constexpr bool need_mandatory = true;
    inline constexpr bool need_optional = false;

    constexpr bool isDigitalType(UniversalIO::IOTypes t)
    {
        return t == UniversalIO::DigitalInput || t == UniversalIO::DigitalOutput;
    }

    // Item values are atomic: other threads read them through the classes' queries
    // (a station asks its monitors, a monitor reads its breaker's state).
    template <UniversalIO::IOTypes T>
    using Value = std::conditional_t<isDigitalType(T), std::atomic<bool>, std::atomic<long>>;

    using setting_flag = bool;
    using setting_number = int;

    // One item value, bool or long, seen as a number.
    class ValueRef
    {
    public:
        explicit ValueRef(std::atomic<bool>& v) : b(&v) {}
        explicit ValueRef(std::atomic<long>& v) : l(&v) {}
        long get() const { return b ? (b->load() ? 1 : 0) : l->load(); }
        void set(long v) const
        {
            if (b)
                b->store(v != 0);
            else
                l->store(v);
        }

    private:
        std::atomic<bool>* b = nullptr;
        std::atomic<long>* l = nullptr;
    };

    struct Item
    {
        const char* name;
        Direction dir;
        UniversalIO::IOTypes type;
        bool mandatory;
        long defaultValue;
        UniSetTypes::ObjectId fixedId;   // DefaultObjectId: named by the object's node
        UniSetTypes::ObjectId* id;
        UniSetTypes::ObjectId* node;
        ValueRef value;
        ValueRef prev;

        bool isInput() const { return dir == Direction::in; }
        bool isFixed() const { return fixedId != UniSetTypes::DefaultObjectId; }
    };

    struct Message
    {
        const char* name;
        UniSetTypes::ObjectId* id;
        UniSetTypes::ObjectId* node;
    };

    struct Setting
    {
        Setting(const char* n, const char* d, bool& f) : name(n), defaultText(d), flag(&f) {}
        Setting(const char* n, const char* d, int& v) : name(n), defaultText(d), number(&v) {}
        const char* name;
        const char* defaultText;
        bool* flag = nullptr;
        int* number = nullptr;
    };

    struct Layout
    {
        std::vector<Item> items;
        std::vector<Message> messages;
        std::vector<Setting> settings;
    };

    // "%i" as the C scanner reads it: decimal, 0 octal, 0x hexadecimal; no number gives 0.
    int scanInt(const std::string& text);
}

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
        void preTimerInfo(const UniSetTypes::TimerMessage* tm) { timerInfo(tm); }
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
        void readItems();
        void checkItems();
        void readHeartbeat();
        void logRotate();
        long read(const sk::Item& item);
        // Writes an output by its type; an unset id writes nothing. A failure is
        // logged as setdata's and thrown on, whichever method wrote.
        void write(const sk::Item& item, long value);
        [[noreturn]] void giveUpOnSharedMemory(int msec);

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

// --- Declaring an X_SK's items, once (docs/skeleton.md):
//   #define X_SK_LIST(ITEM, FIXED, MSG, SETTING)
//       ITEM(state_as, in, AI, mandatory, 0)     role name, in|out, DI|DO|AI|AO, mandatory|optional, default
//       FIXED(ADG_State_AS, 10151, out, AI)      field name, id fixed in the program, in|out, type
//       MSG(mid_NotOn)                           alarm message
//       SETTING(OnTime, number, "")              class setting: flag|number, default text
// and RAVNA_SKELETON(X_SK_LIST) in the class body.

#define RAVNA_SK_ITEM_FIELDS(name, dir, type, need, def)                                                          \
    UniSetTypes::ObjectId name = UniSetTypes::DefaultObjectId;                                                     \
    UniSetTypes::ObjectId node_##name = UniSetTypes::DefaultObjectId;                                              \
    ::ravna::sk::Value<::ravna::sk::type> dir##_##name{};                                                          \
    ::ravna::sk::Value<::ravna::sk::type> prev_##dir##_##name{};

#define RAVNA_SK_FIXED_FIELDS(name, fixedId, dir, type)                                                           \
    UniSetTypes::ObjectId id_##name = fixedId;                                                                     \
    UniSetTypes::ObjectId node_##name = UniSetTypes::DefaultObjectId;                                              \
    ::ravna::sk::Value<::ravna::sk::type> dir##_##name{};                                                          \
    ::ravna::sk::Value<::ravna::sk::type> prev_##dir##_##name{};

#define RAVNA_SK_MSG_FIELDS(name)                                                                                 \
    UniSetTypes::ObjectId name = UniSetTypes::DefaultObjectId;                                                     \
    UniSetTypes::ObjectId node_##name = UniSetTypes::DefaultObjectId;

#define RAVNA_SK_SETTING_FIELDS(name, kind, deftext) ::ravna::sk::setting_##kind name{};

#define RAVNA_SK_ITEM_REF(name, dir, type, need, def)                                                             \
    ::ravna::sk::Item{#name,                                                                                       \
                      ::ravna::sk::dir_##dir,                                                                      \
                      ::ravna::sk::type,                                                                           \
                      ::ravna::sk::need_##need,                                                                    \
                      def,                                                                                         \
                      UniSetTypes::DefaultObjectId,                                                                \
                      &name,                                                                                       \
                      &node_##name,                                                                                \
                      ::ravna::sk::ValueRef(dir##_##name),                                                         \
                      ::ravna::sk::ValueRef(prev_##dir##_##name)},

#define RAVNA_SK_FIXED_REF(name, fixedId, dir, type)                                                              \
    ::ravna::sk::Item{#name,                                                                                       \
                      ::ravna::sk::dir_##dir,                                                                      \
                      ::ravna::sk::type,                                                                           \
                      false,                                                                                       \
                      0,                                                                                           \
                      fixedId,                                                                                     \
                      &id_##name,                                                                                  \
                      &node_##name,                                                                                \
                      ::ravna::sk::ValueRef(dir##_##name),                                                         \
                      ::ravna::sk::ValueRef(prev_##dir##_##name)},

#define RAVNA_SK_MSG_REF(name) ::ravna::sk::Message{#name, &name, &node_##name},

#define RAVNA_SK_SETTING_REF(name, kind, deftext) ::ravna::sk::Setting{#name, deftext, name},

#define RAVNA_SK_SKIP(...)

// Public fields named as the process classes use them, and the layout the skeleton walks.
#define RAVNA_SKELETON(LIST)                                                                                      \
public:                                                                                                            \
    LIST(RAVNA_SK_ITEM_FIELDS, RAVNA_SK_FIXED_FIELDS, RAVNA_SK_MSG_FIELDS, RAVNA_SK_SETTING_FIELDS)                \
                                                                                                                   \
protected:                                                                                                         \
    ::ravna::sk::Layout skeletonLayout()                                                                           \
    {                                                                                                              \
        return ::ravna::sk::Layout{{LIST(RAVNA_SK_ITEM_REF, RAVNA_SK_FIXED_REF, RAVNA_SK_SKIP, RAVNA_SK_SKIP)},    \
                                   {LIST(RAVNA_SK_SKIP, RAVNA_SK_SKIP, RAVNA_SK_MSG_REF, RAVNA_SK_SKIP)},          \
                                   {LIST(RAVNA_SK_SKIP, RAVNA_SK_SKIP, RAVNA_SK_SKIP, RAVNA_SK_SETTING_REF)}};     \
    }                                                                                                              \
                                                                                                                   \
public:

// The whole declaration an X_SK needs: its constructors and the fields of its item list.
#define RAVNA_SKELETON_CLASS(SK, LIST)                                                                            \
public:                                                                                                            \
    SK(UniSetTypes::ObjectId id, xmlNode* cnode);                                                                  \
    /* only refuses: an object needs its id and node */                                                           \
    SK();                                                                                                          \
    ~SK() override;                                                                                                \
    RAVNA_SKELETON(LIST)

// Defines an X_SK's constructors: the hand-written class's name (for the texts),
// the --sleep-msec default, the number of queued messages taken per pass and,
// optionally, the sensor name tried last for smTestID.
#define RAVNA_SKELETON_DEFINITION(SK, CLASS_NAME, SLEEP_MSEC, PER_PASS, ...)                                      \
    namespace                                                                                                      \
    {                                                                                                              \
        const ::ravna::SkeletonTraits SK##Traits{CLASS_NAME, SLEEP_MSEC, PER_PASS __VA_OPT__(, ) __VA_ARGS__};    \
    }                                                                                                              \
    SK::SK(UniSetTypes::ObjectId id, xmlNode* cnode) : ProcessSkeleton(id, cnode, SK##Traits)                      \
    {                                                                                                              \
        init(skeletonLayout());                                                                                    \
    }                                                                                                              \
    SK::SK() : ProcessSkeleton(SK##Traits) {}                                                                      \
    SK::~SK() = default;
