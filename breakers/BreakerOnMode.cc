#include "BreakerOnMode.h"

#include "Automat.h"
#include "BreakerOffMode.h"
#include "BreakerProtectionMode.h"
#include "BreakerWaitingMode.h"
#include "QC.h"

using namespace UniSetTypes;

template <class B>
BreakerOnMode<B>* BreakerOnMode<B>::Instance()
{
    static BreakerOnMode* inst = new BreakerOnMode();
    return inst;
}

template <class B>
bool BreakerOnMode<B>::activate(B* b)
{
    B::dlog.info() << *b << ": ...activate..." << std::endl;
    this->announcePosition(b, AutomatMessage::stOn);
    return true;
}

template <class B>
void BreakerOnMode<B>::automatCommand(const AutomatMessage* msg, B* b)
{
    switch (msg->code)
    {
        case AutomatMessage::cmdOff:
            this->changeMode(BreakerWaitingMode<B>::Instance(b, AutomatMessage::cmdOff, this, 0), b);
            return;
        case AutomatMessage::cmdOnSync:
            if constexpr (B::hasSynchroniser)
                activate(b);
            return;
        case AutomatMessage::cmdOn:
            activate(b);
            return;
        default:
            BreakerMode<B>::automatCommand(msg, b);
    }
}

template <class B>
void BreakerOnMode<B>::sensorInfo(const SensorMessage* sm, B* b)
{
    if (this->leaveOnTrip(sm, b, "(sensorInfo): сработала защита "))
        return;
    const bool towardsOpen = (sm->id == b->State_On_s && !sm->state) || (sm->id == b->State_Off_s && sm->state);
    if (!towardsOpen)
        return;
    try
    {
        b->settle();
        if (b->getState())
            return;
        if (b->in_Protection_s)
        {
            B::dlog.info() << *b << "(sensorInfo): сработала защита " << std::endl;
            this->changeMode(BreakerProtectionMode<B>::Instance(), b);
            return;
        }
        B::dlog.crit() << *b << ": " << B::className << " НЕОЖИДАННО ОТКЛЮЧИЛСЯ!!!" << std::endl;
        this->changeMode(BreakerOffMode<B>::Instance(), b);
    }
    catch (...)
    {
        B::dlog.crit() << *b << ": " << B::className << " неопределённое состояние!" << std::endl;
    }
}

template class BreakerOnMode<Automat>;
template class BreakerOnMode<QC>;
