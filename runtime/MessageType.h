// Messages that travel through object queues. Every message starts with the
// same seven 32-bit words; a queue holds them as fixed-size byte copies.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "UniSetTypes.h"

namespace UniSetTypes
{
    class Message
    {
    public:
        enum TypeOfMessage : int32_t
        {
            Unused = 0,
            SensorInfo = 1,
            SysCommand = 2,
            Confirm = 3,
            Info = 4,
            Timer = 5,
            TheLastFieldOfTypeOfMessage = 6
        };

        enum Priority : int32_t
        {
            Low = 0,
            Medium = 1,
            High = 2
        };

        int32_t type = Unused;
        int32_t priority = Medium;
        int32_t node = 0;
        int32_t supplier = -1;
        int32_t consumer = -1;
        int32_t tv_sec = 0;
        int32_t tv_usec = 0;

        // Fills node, supplier, consumer and the time stamp.
        Message();
    };
    static_assert(sizeof(Message) == 7 * 4, "the message header is seven 32-bit words");

    // The largest message a queue carries, as bytes.
    constexpr size_t MaxMessageSize = 128;

    class TransportMessage
    {
    public:
        TransportMessage() { std::memset(data, 0, sizeof(data)); }
        template <typename T>
        static TransportMessage from(const T& msg)
        {
            static_assert(std::is_trivially_copyable_v<T> && sizeof(T) <= MaxMessageSize);
            TransportMessage tm;
            std::memcpy(tm.data, &msg, sizeof(T));
            return tm;
        }
        unsigned char data[MaxMessageSize];
    };

    class VoidMessage : public Message
    {
    public:
        VoidMessage() { std::memset(payload, 0, sizeof(payload)); }
        explicit VoidMessage(const TransportMessage& tm) { std::memcpy(static_cast<void*>(this), tm.data, sizeof(VoidMessage)); }
        TransportMessage transport() const { return TransportMessage::from(*this); }

        // Copies the first sizeof(T) bytes of this message into a T.
        template <typename T>
        T as() const
        {
            static_assert(std::is_trivially_copyable_v<T> && sizeof(T) <= MaxMessageSize);
            T out;
            std::memcpy(static_cast<void*>(&out), static_cast<const void*>(this), sizeof(T));
            return out;
        }

        unsigned char payload[MaxMessageSize - sizeof(Message)];
    };
    static_assert(sizeof(VoidMessage) == MaxMessageSize);

    class SensorMessage : public Message
    {
    public:
        SensorMessage();
        SensorMessage(ObjectId id, long value, UniversalIO::IOTypes type = UniversalIO::AnalogInput,
                      ObjectId supplierId = DefaultObjectId);
        explicit SensorMessage(const VoidMessage* msg) { *this = msg->as<SensorMessage>(); }
        TransportMessage transport() const { return TransportMessage::from(*this); }

        ObjectId id = DefaultObjectId;
        ObjectId sensor_node = DefaultObjectId;
        long value = 0;
        bool state = false;
        UniversalIO::IOTypes sensor_type = UniversalIO::UnknownIOType;
        int64_t sm_tv_sec = 0;
        int64_t sm_tv_usec = 0;
        ObjectId sm_supplier = DefaultObjectId;
        uint64_t sequence = 0;   // position in the store's change order
    };

    class SystemMessage : public Message
    {
    public:
        enum Command : int32_t
        {
            Unknown = -1,
            StartUp = 0,
            FoldUp = 1,
            Finish = 2,
            WatchDog = 3,
            ReConfiguration = 4,
            NetworkInfo = 5,
            LogRotate = 6
        };

        SystemMessage();
        SystemMessage(Command command, Priority prior = High, ObjectId consumer = DefaultObjectId);
        explicit SystemMessage(const VoidMessage* msg) { *this = msg->as<SystemMessage>(); }
        TransportMessage transport() const { return TransportMessage::from(*this); }

        int32_t command = Unknown;
        int32_t data[2] = {0, 0};
    };

    class TimerMessage : public Message
    {
    public:
        TimerMessage();
        TimerMessage(TimerId id, Priority prior = High, ObjectId consumer = DefaultObjectId);
        explicit TimerMessage(const VoidMessage* msg) { *this = msg->as<TimerMessage>(); }
        TransportMessage transport() const { return TransportMessage::from(*this); }

        TimerId id = -1;
        // The ask of the local timer it fell due for (LT_Object); 0 when built by hand.
        uint64_t ask = 0;
    };

    static_assert(sizeof(SensorMessage) <= MaxMessageSize);
    static_assert(sizeof(SystemMessage) <= MaxMessageSize);
    static_assert(sizeof(TimerMessage) <= MaxMessageSize);
}
