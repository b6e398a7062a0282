#include "SEESAutoWaitingMode.h"

#include "PendingCommand.h"
#include "SEES.h"
#include "SEESAutoMode.h"
#include "SEESCoolingMode.h"
#include "SEESOnAutoMode.h"
#include "SEESOnReservMode.h"
#include "SEESProtectionMode.h"
#include "SEESReservMode.h"
#include "StationState.h"

using namespace UniSetTypes;

SEESMode* SEESAutoWaitingMode::singleton()
{
    static SEESAutoWaitingMode* inst = new SEESAutoWaitingMode();
    return inst;
}

SEESMode* SEESAutoWaitingMode::Instance(SEES* s, int cmd, SEESMode* fallback, int limit)
{
    PendingCommand::store(s, cmd, fallback, limit);
    return singleton();
}

SEESMode* SEESAutoWaitingMode::stopped(SEES* s)
{
    return s->in_Leader_f ? SEESAutoMode::Instance() : SEESReservMode::Instance();
}

SEESMode* SEESAutoWaitingMode::connected(SEES* s)
{
    return s->in_Leader_f ? SEESOnAutoMode::Instance() : SEESOnReservMode::Instance();
}

bool SEESAutoWaitingMode::activate(SEES* s)
{
    SEES::dlog.info() << *s << ": ...activate..." << std::endl;
    switch (s->command)
    {
    case cmdStop:
        if (s->qg->isNotOff())
        {
            // The set is taken off the busbar first; the cooling run then stops it.
            SEES::dlog.info() << *s << ": Ignore DG stop. QG not OFF." << std::endl;
            s->qg->getdata();
            changeMode(Instance(s, cmdQGOff, this, 0), s);
            return true;
        }
        PendingCommand::startStop(s);
        return true;

    case cmdQGOn:
        if (PendingCommand::closedAlready(s))
        {
            changeMode(connected(s), s);
            return true;
        }
        if (PendingCommand::qgTripped(s))
            return refuse(s);
        PendingCommand::switchQG(s, true);
        return true;

    case cmdRun:
        SEES::dlog.info() << *s << ": dg running..." << std::endl;
        if (PendingCommand::qgTripped(s))
            return refuse(s);
        PendingCommand::startRun(s);
        return true;

    case cmdQGOff:
        SEES::dlog.info() << *s << ": QG off command..." << std::endl;
        if (s->owner->isAlone(s->num))
        {
            SEES::dlog.info() << *s << ": Ignore QG off command.. SEES" << s->num << " is alone!" << std::endl;
            return refuse(s);
        }
        PendingCommand::switchQG(s, false);
        return true;

    case cmdCooling:
        changeMode(SEESCoolingMode::Instance(), s);
        return true;

    default:
        return true;
    }
}

bool SEESAutoWaitingMode::refuse(SEES* s)
{
    // The QG open before a stop falls back to this very mode, which would refuse
    // again at once: the last working set stays on the busbar instead.
    SEESMode* next = s->fallbackMode == this ? connected(s) : s->fallbackMode;
    changeMode(next, s);
    return false;
}

bool SEESAutoWaitingMode::deactivate(SEES* s)
{
    PendingCommand::drop(s);
    return true;
}

bool SEESAutoWaitingMode::rollback(SEES* s) { return PendingCommand::rollback(s); }

void SEESAutoWaitingMode::handOn(SEES* s, int cmd)
{
    // The completed command's output goes now: the next one may wait for its leave,
    // and a start command must not stay on while it does, or into the fallback mode.
    PendingCommand::drop(s);
    changeMode(Instance(s, cmd, SEESProtectionMode::Instance(), 0), s);
}

void SEESAutoWaitingMode::completion(SEES* s, long state)
{
    switch (s->command)
    {
    case cmdStop:
        if (state != mOFF)
            break;
        resetCommandTimer(s);
        changeMode(stopped(s), s);
        return;
    case cmdQGOn:
        if (state != mON)
            break;
        resetCommandTimer(s);
        changeMode(connected(s), s);
        return;
    case cmdRun:
        if (state != mRunning)
            break;
        s->setLamp(s->lmpDG_ON_c, 1);
        resetCommandTimer(s);
        handOn(s, cmdQGOn);
        return;
    case cmdQGOff:
        if (state != mRunning)
            break;
        s->setLamp(s->lmpQG_ON_c, 0);
        resetCommandTimer(s);
        handOn(s, cmdCooling);
        return;
    default:
        break;
    }
    if (state == mPROTECTION)
        changeMode(SEESProtectionMode::Instance(), s);
}

void SEESAutoWaitingMode::sensorInfo(const SensorMessage* sm, SEES* s)
{
    if (sm->id == s->state_as)
    {
        completion(s, sm->value);
        return;
    }
    if (sm->id == s->DG_Stop_s)
    {
        SEES::dlog.info() << *s << ": AUTO mode... ignore stop command..." << std::endl;
        return;
    }
    if (sm->id == s->DG_Start_s)
    {
        SEES::dlog.info() << *s << ": AUTO mode... ignore start command..." << std::endl;
        return;
    }
    if (sm->id == s->CtlMode_f)
        SEESMode::sensorInfo(sm, s);
}

void SEESAutoWaitingMode::timerInfo(const TimerMessage* tm, SEES* s)
{
    PendingCommand::timerInfo(tm, s, this, ": waiting QGaccept FAILED!!!");
}
