// The breakers' message: a command into a breaker's own queue, or a report from
// a breaker to its owner. Eleven 32-bit words, copied byte for byte through queues.
#pragma once

#include <cassert>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "MessageType.h"

class AutomatMessage : public UniSetTypes::Message
{
public:
    static constexpr int32_t MessageTypeID = 10;

    enum Kind : int32_t
    {
        kProtection = 0, // protection tripped or position undefined; code is always 1
        kState = 1,      // code is a StateCode
        kCommand = 2,    // code is a CommandCode
        kFailure = 3     // code is a FailureCode
    };

    enum CommandCode : int32_t
    {
        cmdOnSync = 0, // close through the synchroniser (the bus-tie breaker only)
        cmdOn = 1,
        cmdOff = 2,
        cmdReset = 3,  // reset the protection
        cmdSleep = 4,  // automatic control off
        cmdWake = 5    // automatic control on
    };

    enum StateCode : int32_t
    {
        stOff = 0,
        stOn = 1,
        stSleep = 2,
        stOffOnly = 3
    };

    enum FailureCode : int32_t
    {
        failNotDone = 0, // the commanded position was not reached
        failRefused = 1  // refused in protection: the protection was not reset
    };

    int32_t kind = kState;
    int32_t code = 0;
    int32_t id = -1;       // the breaker the message is about
    int32_t reserved = 0;  // always 0

    // A message to send: header filled by the default construction, type 10.
    AutomatMessage() { type = MessageTypeID; }

    AutomatMessage(Kind k, int32_t c, UniSetTypes::ObjectId breaker, Priority prio) : AutomatMessage()
    {
        priority = prio;
        kind = k;
        code = c;
        id = static_cast<int32_t>(breaker);
    }

    // From a received queue message: every word is copied.
    explicit AutomatMessage(const UniSetTypes::VoidMessage* msg)
    {
        std::memcpy(static_cast<void*>(this), static_cast<const void*>(msg), sizeof(AutomatMessage));
        assert(this->type == AutomatMessage::MessageTypeID);
    }

    UniSetTypes::TransportMessage transport() const { return UniSetTypes::TransportMessage::from(*this); }
};

static_assert(sizeof(AutomatMessage) == 11 * 4, "AutomatMessage is eleven 32-bit words");
static_assert(sizeof(AutomatMessage) == sizeof(UniSetTypes::Message) + 4 * sizeof(int32_t),
              "the four fields follow the header without padding");
static_assert(std::is_trivially_copyable_v<AutomatMessage>, "AutomatMessage travels as a byte copy");
static_assert(sizeof(AutomatMessage) <= UniSetTypes::MaxMessageSize, "AutomatMessage fits a queue slot");
