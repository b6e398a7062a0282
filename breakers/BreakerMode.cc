#include "BreakerMode.h"

#include "Automat.h"
#include "BreakerProtectionMode.h"
#include "BreakerSleepMode.h"
#include "QC.h"

template <class B>
void BreakerMode<B>::automatCommand(const AutomatMessage* msg, B* b)
{
    if (msg->code == AutomatMessage::cmdSleep)
        changeMode(BreakerSleepMode<B>::Instance(), b);
}

template <class B>
void BreakerMode<B>::step(B* b)
{
    const bool na = b->checkNA(false);
    bool expired = false;
    if (na != b->naState)
    {
        b->naState = na;
        if (na)
        {
            b->naTimer.reset();
            return;
        }
    }
    else
        expired = na && b->naTimer.checkTime();

    if (expired != b->naHeld)
    {
        b->naHeld = expired;
        if (expired)
            changeMode(BreakerProtectionMode<B>::Instance(), b);
    }
}

template <class B>
bool BreakerMode<B>::leaveOnTrip(const UniSetTypes::SensorMessage* sm, B* b, const char* text)
{
    if (!b->isProtectionTrip(sm))
        return false;
    B::dlog.info() << *b << text << std::endl;
    changeMode(BreakerProtectionMode<B>::Instance(), b);
    return true;
}

template <class B>
void BreakerMode<B>::announcePosition(B* b, AutomatMessage::StateCode position)
{
    b->askInputs();
    b->report(AutomatMessage::kState, position, UniSetTypes::Message::Medium);
    b->naFlag() = false;
}

template class BreakerMode<Automat>;
template class BreakerMode<QC>;
