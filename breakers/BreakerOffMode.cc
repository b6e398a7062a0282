#include "BreakerOffMode.h"

#include "Automat.h"
#include "BreakerOnMode.h"
#include "BreakerWaitingMode.h"
#include "QC.h"

using namespace UniSetTypes;

template <class B>
BreakerOffMode<B>* BreakerOffMode<B>::Instance()
{
    static BreakerOffMode* inst = new BreakerOffMode();
    return inst;
}

template <class B>
bool BreakerOffMode<B>::activate(B* b)
{
    B::dlog.info() << *b << ": ..............activate.............." << std::endl;
    this->announcePosition(b, AutomatMessage::stOff);
    return true;
}

template <class B>
void BreakerOffMode<B>::automatCommand(const AutomatMessage* msg, B* b)
{
    switch (msg->code)
    {
        case AutomatMessage::cmdOn:
            this->changeMode(BreakerWaitingMode<B>::Instance(b, AutomatMessage::cmdOn, this, 0), b);
            return;
        case AutomatMessage::cmdOnSync:
            if constexpr (B::hasSynchroniser)
                this->changeMode(BreakerWaitingMode<B>::Instance(b, AutomatMessage::cmdOnSync, this, 0), b);
            return;
        case AutomatMessage::cmdOff:
            activate(b);
            return;
        default:
            BreakerMode<B>::automatCommand(msg, b);
    }
}

template <class B>
void BreakerOffMode<B>::sensorInfo(const SensorMessage* sm, B* b)
{
    if (this->leaveOnTrip(sm, b, "(sensorInfo): сработала защита "))
        return;
    const bool towardsClosed = (sm->id == b->State_On_s && sm->state) || (sm->id == b->State_Off_s && !sm->state);
    if (!towardsClosed)
        return;
    try
    {
        b->settle();
        if (b->getState())
        {
            B::dlog.crit() << *b << ": " << B::className << " НЕОЖИДАННО ВКЛЮЧИЛСЯ!!!" << std::endl;
            this->changeMode(BreakerOnMode<B>::Instance(), b);
        }
    }
    catch (...)
    {
        B::dlog.crit() << *b << ": " << B::className << " неопределённое состояние!" << std::endl;
    }
}

template class BreakerOffMode<Automat>;
template class BreakerOffMode<QC>;
