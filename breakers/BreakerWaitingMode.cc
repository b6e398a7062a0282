#include "BreakerWaitingMode.h"

#include "Automat.h"
#include "BreakerOffMode.h"
#include "BreakerOnMode.h"
#include "BreakerProtectionMode.h"
#include "BreakerSleepMode.h"
#include "Exceptions.h"
#include "QC.h"

using namespace UniSetTypes;

template <class B>
BreakerWaitingMode<B>* BreakerWaitingMode<B>::singleton()
{
    static BreakerWaitingMode* inst = new BreakerWaitingMode();
    return inst;
}

template <class B>
BreakerWaitingMode<B>* BreakerWaitingMode<B>::Instance(B* b, int command, BreakerMode<B>* returnMode, int repeats)
{
    b->prevCmd = b->cmd;
    b->cmd = command;
    b->prevMode = returnMode;
    b->repeatCount = 0;
    b->repeatLimit = repeats;
    return singleton();
}

template <class B>
bool BreakerWaitingMode<B>::reached(const B* b, bool closed)
{
    return b->in_State_On_s == closed && b->in_State_Off_s == !closed;
}

template <class B>
bool BreakerWaitingMode<B>::activate(B* b)
{
    switch (b->cmd)
    {
        case AutomatMessage::cmdOn:
            startSwitching(b, true);
            return true;
        case AutomatMessage::cmdOff:
            startSwitching(b, false);
            return true;
        case AutomatMessage::cmdOnSync:
            if constexpr (B::hasSynchroniser)
            {
                startSyncClose(b);
                return true;
            }
            break;
        default:
            break;
    }
    B::dlog.crit() << *b << ": НЕИЗВЕСТНАЯ КОМАНДА..." << std::endl;
    return true;
}

template <class B>
void BreakerWaitingMode<B>::startSwitching(B* b, bool close)
{
    b->timerTrigger->set(B::tmOff, 0);
    if (close && b->in_Protection_s)
    {
        B::dlog.info() << *b << ": не сброшена защита " << std::endl;
        this->changeMode(BreakerProtectionMode<B>::Instance(), b);
        return;
    }

    BreakerMode<B>* target = close ? static_cast<BreakerMode<B>*>(BreakerOnMode<B>::Instance())
                                   : static_cast<BreakerMode<B>*>(BreakerOffMode<B>::Instance());
    const auto timer = close ? B::tmOn : B::tmOff;
    const int time = close ? b->OnTime : b->OffTime;
    try
    {
        if (b->getState() == close)
        {
            B::dlog.info() << *b << (close ? ": уже включён" : ": уже отключён") << std::endl;
            this->changeMode(target, b);
            return;
        }

        b->outTrigger->set(close ? b->On_c : b->Off_c, true);
        if (close)
            B::dlog.info() << *b << ": ждем включения автомата " << b->OnTime << " мсек" << std::endl;
        else
            B::dlog.info() << *b << ": ждем отключения автомата" << std::endl;

        if (time > b->minWaitingTime)
        {
            b->timerTrigger->set(timer, time);
            return;
        }

        // A command this short is waited for in place.
        if (time > 0)
            b->pause(time);
        b->getdata();
        if (reached(b, close))
        {
            B::dlog.info() << *b << ": дождались" << std::endl;
            this->changeMode(target, b);
        }
        else
            b->timerTrigger->set(timer, time);
    }
    catch (...)
    {
        B::dlog.info() << *b << B::undefinedEntryText << std::endl;
        this->changeMode(BreakerProtectionMode<B>::Instance(), b);
    }
}

template <class B>
void BreakerWaitingMode<B>::startSyncClose(B* b)
{
    if constexpr (B::hasSynchroniser)
    {
        if (b->in_Protection_s)
        {
            B::dlog.info() << *b << ": не сброшена защита " << std::endl;
            this->changeMode(BreakerProtectionMode<B>::Instance(), b);
            return;
        }
        b->outTrigger->set(b->SyncOn_c, true);
        b->timerTrigger->set(B::tmOn, b->OnSyncTime);
        b->msgTrigger->set(b->mid_SyncOn, true);
        B::dlog.info() << *b << ": ждем включения автомата с синхронизацией " << b->OnSyncTime << " мсек"
                       << std::endl;
    }
}

template <class B>
bool BreakerWaitingMode<B>::deactivate(B* b)
{
    drop(b, b->cmd);
    return true;
}

template <class B>
void BreakerWaitingMode<B>::drop(B* b, int command)
{
    switch (command)
    {
        case AutomatMessage::cmdOn:
            b->timerTrigger->set(B::tmOn, 0);
            b->outTrigger->set(b->On_c, false);
            break;
        case AutomatMessage::cmdOff:
            b->timerTrigger->set(B::tmOff, 0);
            b->outTrigger->set(b->Off_c, false);
            break;
        case AutomatMessage::cmdOnSync:
            if constexpr (B::hasSynchroniser)
            {
                b->timerTrigger->set(B::tmOn, 0);
                b->outTrigger->set(b->SyncOn_c, false);
            }
            break;
        default:
            break;
    }
}

template <class B>
void BreakerWaitingMode<B>::rollback(B* b)
{
    B::dlog.warn() << *b << "(rollback): откат команды..." << std::endl;
    // The command in progress is the one whose output may be on: leaving it on could
    // close the breaker with nobody waiting for it, and its timer would fire later.
    drop(b, b->cmd);
}

template <class B>
void BreakerWaitingMode<B>::sensorInfo(const SensorMessage* sm, B* b)
{
    if (b->isPositionChange(sm))
    {
        b->settle();
        const bool closing = b->cmd == AutomatMessage::cmdOn || b->cmd == AutomatMessage::cmdOnSync;
        if (closing && reached(b, true))
        {
            b->timerTrigger->set(B::tmOn, 0);
            B::dlog.info() << *b << ": дождались" << std::endl;
            this->changeMode(BreakerOnMode<B>::Instance(), b);
        }
        else if (b->cmd == AutomatMessage::cmdOff && reached(b, false))
        {
            b->timerTrigger->set(B::tmOff, 0);
            B::dlog.info() << *b << ": дождались" << std::endl;
            this->changeMode(BreakerOffMode<B>::Instance(), b);
        }
        return;
    }
    if (this->leaveOnTrip(sm, b, ": сработала защита "))
        return;
    if constexpr (B::hasSynchroniser)
    {
        if (sm->id == b->Synchro_Failure_s && sm->state && b->out_SyncOn_c && b->cmd == AutomatMessage::cmdOnSync)
        {
            B::dlog.info() << *b << ": включение через СИНХРОНИЗАТОР невозможно, т.к. он НЕИСПРАВЕН" << std::endl;
            b->msgTrigger->set(b->mid_NotOn, true);
            b->report(AutomatMessage::kFailure, AutomatMessage::failNotDone, Message::Medium);
            this->changeMode(b->prevMode, b);
        }
    }
}

template <class B>
void BreakerWaitingMode<B>::timerInfo(const TimerMessage* tm, B* b)
{
    const bool closing = b->cmd == AutomatMessage::cmdOn || b->cmd == AutomatMessage::cmdOnSync;
    if (tm->id == B::tmOn && closing)
    {
        int time = b->OnTime;
        if constexpr (B::hasSynchroniser)
        {
            if (b->cmd == AutomatMessage::cmdOnSync)
                time = b->OnSyncTime;
        }
        b->timerTrigger->set(B::tmOn, 0);
        B::dlog.crit() << *b << ":  Автомат НЕ ВКЛЮЧИЛСЯ за время " << time << " мсек" << std::endl;
    }
    else if (tm->id == B::tmOff && b->cmd == AutomatMessage::cmdOff)
    {
        b->timerTrigger->set(B::tmOff, 0);
        B::dlog.crit() << *b << ":  Автомат НЕ ОТКЛЮЧИЛСЯ за время " << b->OffTime << " мсек" << std::endl;
    }
    else
        return; // a timer of another command

    if (b->repeatCount < b->repeatLimit)
    {
        ++b->repeatCount;
        activate(b);
        return;
    }
    b->report(AutomatMessage::kFailure, AutomatMessage::failNotDone, Message::Medium);
    this->changeMode(b->prevMode, b);
}

template <class B>
void BreakerWaitingMode<B>::automatCommand(const AutomatMessage* msg, B* b)
{
    switch (msg->code)
    {
        case AutomatMessage::cmdOn:
            replace(b, AutomatMessage::cmdOn, ": OnCommand!(но мы и так включаемся)...", ": OnCommand!(rollback)...");
            return;
        case AutomatMessage::cmdOff:
            replace(b, AutomatMessage::cmdOff, ": OffCommand!(но мы и так отключаемся)...",
                    ": OffCommand!(rollback)...");
            return;
        case AutomatMessage::cmdOnSync:
            if constexpr (B::hasSynchroniser)
            {
                replace(b, AutomatMessage::cmdOnSync, ": OnSyncCommand!(но мы и так включаемся)...",
                        ": OnSyncCommand!(rollback)...");
                return;
            }
            break;
        case AutomatMessage::cmdSleep:
            rollback(b);
            this->changeMode(BreakerSleepMode<B>::Instance(), b);
            return;
        default:
            break;
    }
    B::dlog.crit() << *b << "(automatCommand): не известная команда!!!!" << std::endl;
}

template <class B>
void BreakerWaitingMode<B>::replace(B* b, int command, const char* sameText, const char* rollbackText)
{
    if (b->cmd == command)
    {
        B::dlog.info() << *b << sameText << std::endl;
        return;
    }
    B::dlog.info() << *b << rollbackText << std::endl;
    rollback(b);
    this->changeMode(Instance(b, command, BreakerProtectionMode<B>::Instance(), 0), b);
}

template class BreakerWaitingMode<Automat>;
template class BreakerWaitingMode<QC>;
