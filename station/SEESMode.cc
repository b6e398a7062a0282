#include "SEESMode.h"

#include "SEES.h"
#include "SEESInitMode.h"
#include "SEESProtectionMode.h"
#include "SEESSleepMode.h"
#include "StationState.h"

using namespace UniSetTypes;

void SEESMode::sensorInfo(const SensorMessage* sm, SEES* s)
{
    if (sm->id == s->CtlMode_f)
    {
        if (sm->value == s->getControlMode())
            return;
        if (controlOff(sm->value))
        {
            SEES::dlog.info() << *s << ": управление отключено..." << std::endl;
            changeMode(SEESSleepMode::Instance(), s);
        }
        else
            changeMode(SEESInitMode::Instance(), s);
        return;
    }
    if (sm->id == s->state_as && sm->value == mPROTECTION)
        changeMode(SEESProtectionMode::Instance(), s);
}

void SEESMode::changeMode(SEESMode* next, SEES* s) { s->changeMode(next); }

void SEESMode::setControlMode(SEES* s, int value) { s->setControlMode(value); }

void SEESMode::resetCommandTimer(SEES* s) { s->resetCommandTimer(); }

void SEESMode::askTimer(SEES* s, SEESTimerId id, int msec, short ticks)
{
    s->askTimer(id, msec, ticks, Message::High);
}

void SEESMode::updateNeedReservCommand(SEES* s) { s->updateNeedReservCommand(); }
