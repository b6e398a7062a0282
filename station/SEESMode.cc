#include "SEESMode.h"

#include "SEES.h"
#include "SEESInitMode.h"
#include "SEESProtectionMode.h"
#include "SEESSleepMode.h"
#include "SEESWaitingMode.h"
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

void SEESMode::handToWaiting(SEES* s, int cmd, SEESMode* from)
{
    s->pause(s->CommandPause);
    changeMode(SEESWaitingMode::Instance(s, cmd, from, 0), s);
}

void SEESMode::qgCommand(SEES* s, SEESMode* from, int cmd, const char* text, const char* refusal, ObjectId message)
{
    SEES::dlog(Debug::INFO) << "\n";
    SEES::dlog.info() << *s << text << std::endl;
    if (!s->in_QG_RemoteControl_s)
    {
        SEES::dlog.info() << *s << refusal << std::endl;
        s->raise(message);
        return;
    }
    handToWaiting(s, cmd, from);
}

void SEESMode::leaveStopped(SEES* s, long state, const char* notOffText)
{
    if (state == mOFF)
        return;
    if (state == mPROTECTION)
    {
        SEES::dlog.info() << *s << ":  mPROTECTION " << Ravna::stateToString(state) << std::endl;
        changeMode(SEESProtectionMode::Instance(), s);
        return;
    }
    SEES::dlog.info() << *s << notOffText << Ravna::stateToString(state) << std::endl;
    changeMode(SEESInitMode::Instance(), s);
}

void SEESMode::handOver(SEES* s, SEESMode* next)
{
    changeMode(s->in_CtlMode_f == 3 ? next : SEESInitMode::Instance(), s);
}

void SEESMode::leaveOnStateChange(SEES* s, long state)
{
    SEES::dlog.info() << *s << ":  СЭС перешло в другой режим?! " << Ravna::stateToString(state) << std::endl;
    if (state == mPROTECTION)
        changeMode(SEESProtectionMode::Instance(), s);
    else
        changeMode(SEESInitMode::Instance(), s);
}
