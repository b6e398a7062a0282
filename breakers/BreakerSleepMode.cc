#include "BreakerSleepMode.h"

#include "Automat.h"
#include "BreakerInitMode.h"
#include "Exceptions.h"
#include "QC.h"

using namespace UniSetTypes;

template <class B>
BreakerSleepMode<B>* BreakerSleepMode<B>::Instance()
{
    static BreakerSleepMode* inst = new BreakerSleepMode();
    return inst;
}

template <class B>
bool BreakerSleepMode<B>::activate(B* b)
{
    return enter(b, AutomatMessage::stSleep);
}

template <class B>
bool BreakerSleepMode<B>::enter(B* b, AutomatMessage::StateCode reported)
{
    B::dlog.info() << *b << "(activate): Режим АУ отключён" << std::endl;
    b->outTrigger->set(b->On_c, false);
    b->report(AutomatMessage::kState, reported, Message::Medium);
    try
    {
        b->askInputs();
    }
    catch (const Exception& ex)
    {
        B::dlog.crit() << *b << "(activate): " << ex << std::endl;
        return false;
    }
    catch (...)
    {
        B::dlog.crit() << *b << "(activate): catch...." << std::endl;
        return false;
    }
    return true;
}

template <class B>
void BreakerSleepMode<B>::automatCommand(const AutomatMessage* msg, B* b)
{
    if (msg->code != AutomatMessage::cmdWake)
        return;
    B::dlog.info() << *b << "(activate): ВКЛЮЧЁН Режим АУ." << std::endl;
    this->changeMode(BreakerInitMode<B>::Instance(), b);
}

template <class B>
void BreakerSleepMode<B>::sensorInfo(const SensorMessage* sm, B* b)
{
    if (b->isProtectionTrip(sm))
    {
        B::dlog.info() << *b << "(sensorInfo): сработала защита 'токовая защита'" << std::endl;
        b->report(AutomatMessage::kProtection, 1, Message::High);
        return;
    }
    if (!b->isPositionChange(sm))
        return;
    try
    {
        b->settle();
        // No mode after this one would clear an undefined position seen here, so a
        // defined one clears it, and the breaker reports its position again.
        if (this->clearsUndefined())
            b->checkNA(true);
        if (b->protectionTrigger->output)
            return;
        // An undefined position goes to the protection condition, not to the owner.
        if (b->checkNA(true))
            return;
        const bool on = b->getState();
        b->report(AutomatMessage::kState, on ? AutomatMessage::stOn : AutomatMessage::stOff, Message::Medium);
    }
    catch (const Exception&)
    {
        // A failed read has been logged where it failed; the next change reports again.
    }
}

template class BreakerSleepMode<Automat>;
template class BreakerSleepMode<QC>;
