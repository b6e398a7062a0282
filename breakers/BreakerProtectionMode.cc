#include "BreakerProtectionMode.h"

#include "Automat.h"
#include "BreakerInitMode.h"
#include "BreakerOffMode.h"
#include "BreakerSleepMode.h"
#include "QC.h"

using namespace UniSetTypes;

template <class B>
BreakerProtectionMode<B>* BreakerProtectionMode<B>::Instance()
{
    static BreakerProtectionMode* inst = new BreakerProtectionMode();
    return inst;
}

template <class B>
bool BreakerProtectionMode<B>::activate(B* b)
{
    B::dlog.info() << *b << ": ..............activate.............." << std::endl;
    // Written whatever the trigger believes: a close command must not outlive the trip.
    b->outTrigger->values[b->On_c] = false;
    b->setOut(b->On_c, false);
    b->settle();

    if (b->protectionTrigger->output)
    {
        hold(b);
        return true;
    }
    try
    {
        if (b->getState())
        {
            B::dlog.crit() << *b << ": непонятная причина перехода в состояние защиты..." << std::endl;
            this->changeMode(BreakerInitMode<B>::Instance(), b);
        }
        else
        {
            if (b->offPause > 0)
                b->pause(b->offPause);
            this->changeMode(BreakerOffMode<B>::Instance(), b);
        }
    }
    catch (...)
    {
        b->protectionTrigger->commit(b->naSensor(), true);
        hold(b);
    }
    return true;
}

template <class B>
void BreakerProtectionMode<B>::hold(B* b)
{
    b->report(AutomatMessage::kProtection, 1, Message::High);
    if constexpr (B::hasAutoReset)
    {
        if (b->autoResetProtection)
            b->askTimer(B::tmCheckState, b->CheckStateTime, -1, Message::High);
    }
}

template <class B>
bool BreakerProtectionMode<B>::checkProtection(B* b)
{
    if (b->in_Protection_s)
    {
        B::dlog.info() << *b << "(checkProtection): не cброшена токовая защита " << std::endl;
        b->msgTrigger->set(b->mid_CurrentProtection_Att, true);
        return true;
    }
    b->protectionTrigger->commit(b->Protection_s, false);
    if (!b->checkNA(true))
    {
        b->protectionTrigger->commit(b->naSensor(), false);
        return false;
    }
    B::dlog.info() << *b << "(checkProtection): неопределённое состояние " << std::endl;
    b->msgTrigger->set(b->mid_NA_Att, true);
    return true;
}

template <class B>
void BreakerProtectionMode<B>::automatCommand(const AutomatMessage* msg, B* b)
{
    switch (msg->code)
    {
        case AutomatMessage::cmdReset:
            if (!checkProtection(b))
                this->changeMode(BreakerInitMode<B>::Instance(), b);
            else
                B::dlog.info() << *b << "(automatCommand): reset.. не сброшены признаки аварии..." << std::endl;
            return;
        case AutomatMessage::cmdOn:
        case AutomatMessage::cmdOff:
            if (checkProtection(b))
            {
                B::dlog.info() << *b << B::refusedCommandText << "не сброшены признаки аварии..." << std::endl;
                b->report(AutomatMessage::kProtection, 1, Message::High);
            }
            else
            {
                B::dlog.info() << *b << B::refusedCommandText << "не восстановлена защита..." << std::endl;
                b->report(AutomatMessage::kFailure, AutomatMessage::failRefused, Message::High);
            }
            return;
        case AutomatMessage::cmdSleep:
            this->changeMode(BreakerSleepMode<B>::Instance(), b);
            return;
        default:
            return;
    }
}

template <class B>
void BreakerProtectionMode<B>::resetIfCleared(B* b)
{
    if constexpr (B::hasAutoReset)
    {
        if (b->autoResetProtection && !checkProtection(b))
            this->changeMode(BreakerInitMode<B>::Instance(), b);
    }
}

template <class B>
void BreakerProtectionMode<B>::sensorInfo(const SensorMessage*, B* b)
{
    resetIfCleared(b);
}

template <class B>
void BreakerProtectionMode<B>::timerInfo(const TimerMessage* tm, B* b)
{
    if constexpr (B::hasAutoReset)
    {
        if (tm->id == B::tmCheckState)
            resetIfCleared(b);
    }
}

template <class B>
bool BreakerProtectionMode<B>::deactivate(B* b)
{
    b->msgTrigger->set(b->mid_CurrentProtection_Att, false);
    b->msgTrigger->set(b->mid_NA_Att, false);
    b->protectionTrigger->commit(b->Protection_s, false);
    b->protectionTrigger->commit(b->naSensor(), false);
    if constexpr (B::hasAutoReset)
        b->askTimer(B::tmCheckState, 0);
    return true;
}

template class BreakerProtectionMode<Automat>;
template class BreakerProtectionMode<QC>;
