// The station's report: to its supervisor, or from its diesel monitor to the
// station. Twelve 32-bit words, copied byte for byte through queues.
#pragma once

#include <cassert>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "MessageType.h"

class SEESMessage : public UniSetTypes::Message
{
public:
    static constexpr int32_t MessageTypeID = 11;

    enum Event : int32_t
    {
        Protection = 0,
        ModeChange = 1,
        Overload95 = 2,
        Warning = 5,
        NeedOnReserv = 7,
        NeedOffReserv = 8,
        PriorityChange = 9,
        ReservCommandConflict = 10,
        DieselState = 11
    };

    int32_t event = 0;
    int32_t state = 0;
    int32_t ses = 0;       // the sender station's number
    int32_t group = 0;     // the sender station's group number
    int32_t reserved = 0;  // always 0

    // A report to send: header filled by the default construction, type 11, priority Medium.
    SEESMessage(int32_t ev, int32_t st)
    {
        type = MessageTypeID;
        priority = Medium;
        event = ev;
        state = st;
    }

    // From a received queue message; the reader has tested the type first.
    explicit SEESMessage(const UniSetTypes::VoidMessage* msg)
    {
        std::memcpy(static_cast<void*>(this), static_cast<const void*>(msg), sizeof(SEESMessage));
        assert(this->type == SEESMessage::MessageTypeID);
    }

    UniSetTypes::TransportMessage transport() const { return UniSetTypes::TransportMessage::from(*this); }
};

static_assert(sizeof(SEESMessage) == 12 * 4, "SEESMessage is twelve 32-bit words");
static_assert(std::is_trivially_copyable_v<SEESMessage>, "SEESMessage travels as a byte copy");
static_assert(sizeof(SEESMessage) <= UniSetTypes::MaxMessageSize, "SEESMessage fits a queue slot");
