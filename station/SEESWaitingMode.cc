#include "SEESWaitingMode.h"

#include "PendingCommand.h"
#include "SEES.h"
#include "SEESCoolingMode.h"
#include "SEESInitMode.h"
#include "SEESOffMode.h"
#include "SEESOnMode.h"
#include "SEESProtectionMode.h"
#include "SEESRunningMode.h"
#include "StationState.h"

using namespace UniSetTypes;

SEESMode* SEESWaitingMode::singleton()
{
    static SEESWaitingMode* inst = new SEESWaitingMode();
    return inst;
}

SEESMode* SEESWaitingMode::Instance(SEES* s, int cmd, SEESMode* fallback, int limit)
{
    PendingCommand::store(s, cmd, fallback, limit);
    return singleton();
}

bool SEESWaitingMode::activate(SEES* s)
{
    SEES::dlog.info() << *s << ": ...activate..." << std::endl;
    switch (s->command)
    {
    case cmdCooling:
        changeMode(SEESCoolingMode::Instance(), s);
        return true;

    case cmdQGOff:
        SEES::dlog.info() << *s << ": QG off command..." << std::endl;
        PendingCommand::switchQG(s, false);
        return true;

    case cmdRun:
        SEES::dlog.info() << *s << ": dg running..." << std::endl;
        if (PendingCommand::qgTripped(s))
            return refuse(s);
        if (!s->owner->canRun(s->num))
            return blockedRun(s);
        PendingCommand::startRun(s);
        return true;

    case cmdStop:
        if (s->qg->isNotOff())
        {
            SEES::dlog.info() << *s << ": Ignore DG stop. QG not OFF" << std::endl;
            return refuse(s);
        }
        PendingCommand::startStop(s);
        return true;

    case cmdQGOn:
        if (PendingCommand::closedAlready(s))
        {
            changeMode(SEESOnMode::Instance(), s);
            return true;
        }
        if (!s->owner->canRun(s->num))
            return blockedRun(s);
        PendingCommand::switchQG(s, true);
        return true;

    default:
        return true;
    }
}

bool SEESWaitingMode::refuse(SEES* s)
{
    changeMode(s->fallbackMode, s);
    return false;
}

bool SEESWaitingMode::blockedRun(SEES* s)
{
    SEES::dlog.info() << *s << ": blocked run!" << std::endl;
    s->raise(s->mid_BlockedRun);
    changeMode(SEESInitMode::Instance(), s);
    return true;
}

bool SEESWaitingMode::deactivate(SEES* s)
{
    PendingCommand::drop(s);
    return true;
}

bool SEESWaitingMode::endsCommand(int cmd, long code)
{
    if (code == 2 || code == 3)
        return cmd == cmdRun || cmd == cmdQGOn || cmd == cmdQGOff;
    switch (cmd)
    {
    case cmdRun:
        return code >= 5 && code <= 9;
    case cmdQGOn:
        return code >= 10 && code <= 13;
    case cmdQGOff:
        return code == 15 || code == 16;
    default:
        return false;
    }
}

void SEESWaitingMode::sensorInfo(const SensorMessage* sm, SEES* s)
{
    const int cmd = s->command;
    if (sm->id == s->state_as)
    {
        SEESMode* done = nullptr;
        if (cmd == cmdStop && sm->value == mOFF)
            done = SEESOffMode::Instance();
        else if (cmd == cmdQGOn && sm->value == mON)
            done = SEESOnMode::Instance();
        else if ((cmd == cmdRun || cmd == cmdQGOff) && sm->value == mRunning)
            done = SEESRunningMode::Instance();

        if (done)
        {
            resetCommandTimer(s);
            changeMode(done, s);
        }
        else if (sm->value == mPROTECTION)
            changeMode(SEESProtectionMode::Instance(), s);
        return;
    }
    if (sm->id == s->InfoCode_as)
    {
        // The exit action of the change drops the output and stops the time-out.
        if (endsCommand(cmd, sm->value))
            PendingCommand::repeatOrFallBack(s, this);
        return;
    }
    if (sm->id == s->DG_Stop_s)
    {
        if (sm->state)
            operatorStop(s);
        return;
    }
    if (sm->id == s->DG_Start_s)
    {
        if (sm->state)
            operatorStart(s);
        return;
    }
    if (sm->id == s->CtlMode_f)
        SEESMode::sensorInfo(sm, s);
}

void SEESWaitingMode::operatorStop(SEES* s)
{
    const int cmd = s->command;
    if (cmd == cmdQGOff || s->qg->isNotOff())
    {
        SEES::dlog.warn() << *s << ": ignore Stop DG. Waiting QG..." << std::endl;
        return;
    }
    if (cmd >= 1 && cmd <= 12)
    {
        // A start or a QG close under way: taken back, and the set stops after its cooling run.
        PendingCommand::rollback(s);
        changeMode(Instance(s, cmdCooling, SEESProtectionMode::Instance(), 0), s);
        return;
    }
    SEES::dlog.warn() << *s << ": repeat OFF command..." << std::endl;
}

void SEESWaitingMode::operatorStart(SEES* s)
{
    const int cmd = s->command;
    if (cmd == cmdQGOff)
    {
        SEES::dlog.warn() << *s << ": Ignore start DG. Waiting QG..." << std::endl;
        return;
    }
    if (cmd == cmdRun)
    {
        SEES::dlog.info() << *s << ": repeat RUN command..." << std::endl;
        return;
    }
    if (PendingCommand::qgTripped(s))
        return;
    SEES::dlog.info() << *s << ": OnCommand!" << std::endl;
    PendingCommand::rollback(s);
    changeMode(Instance(s, cmdRun, SEESProtectionMode::Instance(), 0), s);
}

void SEESWaitingMode::timerInfo(const TimerMessage* tm, SEES* s)
{
    PendingCommand::timerInfo(tm, s, this, ": waiting QG accept FAILED!!!");
}
