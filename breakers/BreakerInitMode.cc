#include "BreakerInitMode.h"

#include "Automat.h"
#include "BreakerOffMode.h"
#include "BreakerOnMode.h"
#include "BreakerProtectionMode.h"
#include "Exceptions.h"
#include "QC.h"

using namespace UniSetTypes;

template <class B>
BreakerInitMode<B>* BreakerInitMode<B>::Instance()
{
    static BreakerInitMode* inst = new BreakerInitMode();
    return inst;
}

template <class B>
static BreakerMode<B>* modeFor(bool closed)
{
    if (closed)
        return BreakerOnMode<B>::Instance();
    return BreakerOffMode<B>::Instance();
}

template <class B>
bool BreakerInitMode<B>::activate(B* b)
{
    B::dlog.info() << *b << ": activate..." << std::endl;
    if (b->in_Protection_s)
    {
        B::dlog.info() << *b << ": init protection mode..." << std::endl;
        this->changeMode(BreakerProtectionMode<B>::Instance(), b);
        return true;
    }
    try
    {
        b->msgTrigger->set(b->mid_CurrentProtection_Att, false);
        const bool closed = b->getState();
        b->msgTrigger->set(b->mid_NA_Att, false);
        this->changeMode(modeFor<B>(closed), b);
    }
    catch (const Exception&)
    {
        this->changeMode(BreakerProtectionMode<B>::Instance(), b);
    }
    return true;
}

template <class B>
void BreakerInitMode<B>::sensorInfo(const SensorMessage* sm, B* b)
{
    if (b->isPositionChange(sm))
    {
        try
        {
            b->settle();
            this->changeMode(modeFor<B>(b->getState()), b);
        }
        catch (const Exception&)
        {
            this->changeMode(BreakerProtectionMode<B>::Instance(), b);
        }
    }
    else if (b->isProtectionTrip(sm))
        this->changeMode(BreakerProtectionMode<B>::Instance(), b);
}

template class BreakerInitMode<Automat>;
template class BreakerInitMode<QC>;
