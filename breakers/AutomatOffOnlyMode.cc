#include "AutomatOffOnlyMode.h"

#include "Automat.h"
#include "Exceptions.h"

using namespace UniSetTypes;

AutomatOffOnlyMode* AutomatOffOnlyMode::Instance()
{
    static AutomatOffOnlyMode* inst = new AutomatOffOnlyMode();
    return inst;
}

bool AutomatOffOnlyMode::activate(Automat* a)
{
    return enter(a, AutomatMessage::stOffOnly);
}

bool AutomatOffOnlyMode::deactivate(Automat* a)
{
    a->outTrigger->set(a->Off_c, false);
    a->timerTrigger->set(Automat::tmOff, 0);
    return true;
}

void AutomatOffOnlyMode::automatCommand(const AutomatMessage* msg, Automat* a)
{
    if (msg->code != AutomatMessage::cmdOff)
        return;
    a->outTrigger->set(a->Off_c, true);
    Automat::dlog.info() << *a << ": ждем отключения автомата " << a->OffTime << " msec" << std::endl;
    a->timerTrigger->set(Automat::tmOff, a->OffTime);
}

void AutomatOffOnlyMode::timerInfo(const TimerMessage* tm, Automat* a)
{
    if (tm->id != Automat::tmOff)
        return;
    a->outTrigger->set(a->Off_c, false);
    a->timerTrigger->set(Automat::tmOff, 0);
    try
    {
        if (a->getState())
        {
            Automat::dlog.warn() << *a << ": Don`t OFF " << a->OffTime << " msec" << std::endl;
            a->msgTrigger->set(a->mid_NotOff, true);
        }
    }
    catch (const Exception&)
    {
        // Undefined: the protection condition is the sensor handling's business here.
    }
}
