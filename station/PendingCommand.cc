#include "PendingCommand.h"

#include "SEES.h"
#include "SEESMode.h"
#include "StationState.h"

using namespace UniSetTypes;

void PendingCommand::store(SEES* s, int cmd, SEESMode* fallback, int limit)
{
    s->prevCommand = s->command;
    s->command = cmd;
    s->fallbackMode = fallback;
    s->attempts = 0;
    s->attemptCount = limit;
}

void PendingCommand::startRun(SEES* s)
{
    s->raise(s->mid_starting);
    s->setLamp(s->lmpDG_ON_c, 2);
    s->commandOutput(s->DG_Start_C, true);
    s->startTimer(tmRun, s->RunTime);
    SEES::dlog.info() << *s << ": dg run waiting " << s->RunTime << " [msec] " << std::endl;
    s->askAgain({s->state_as});
}

bool PendingCommand::qgTripped(SEES* s)
{
    if (!s->qg->isProtection())
        return false;
    SEES::dlog.warn() << *s << ": Ignore Start DG. QG protection..." << std::endl;
    return true;
}

void PendingCommand::startStop(SEES* s)
{
    s->setLamp(s->lmpQG_ON_c, 0);
    SEES::dlog.info() << *s << ": off command..." << std::endl;
    s->raise(s->mid_stopping);
    s->setLamp(s->lmpDG_ON_c, 2);
    s->commandOutput(s->DG_Stop_C, true);
    s->startTimer(tmOff, s->OffTime);
    SEES::dlog.info() << *s << ": off watiting " << s->OffTime << " [msec] " << std::endl;
    s->askAgain({s->state_as});
}

bool PendingCommand::closedAlready(SEES* s)
{
    SEES::dlog.info() << *s << ": QG on..." << std::endl;
    if (s->in_state_as != mON)
        return false;
    SEES::dlog.info() << *s << ": QG ON!" << std::endl;
    return true;
}

void PendingCommand::switchQG(SEES* s, bool on)
{
    if (!s->askQGLeave(on))
    {
        waitForLeave(s);
        return;
    }
    // A leave granted at once ends a wait for it that an earlier entry began.
    stopWaitingForLeave(s);
    s->setLamp(s->lmpQG_ON_c, 2);
    s->commandOutput(on ? s->QG_On_C : s->QG_Off_C, true);
    const int time = on ? s->QGOnTime : s->QGOffTime;
    s->startTimer(tmQG, time);
    SEES::dlog.info() << *s << (on ? ": QG on waiting " : ": QG off watiting ") << time << " [msec] " << std::endl;
    s->askAgain({s->state_as});
}

void PendingCommand::waitForLeave(SEES* s)
{
    SEES::dlog.info() << *s << ": wait for qg accept " << s->AcceptWaitingTime << " msec" << std::endl;
    s->setLamp(s->lmpQG_ON_c, 2);
    s->askTimer(tmAcceptWaiting, s->AcceptWaitingTime, -1, Message::High);
    s->askTimer(tmAcceptControl, s->AcceptControlTime, -1, Message::High);
}

void PendingCommand::stopWaitingForLeave(SEES* s)
{
    s->askTimer(tmAcceptControl, 0, -1, Message::High);
    s->askTimer(tmAcceptWaiting, 0, -1, Message::High);
}

void PendingCommand::timerInfo(const TimerMessage* tm, SEES* s, SEESMode* mode, const char* leaveFailedText)
{
    const int cmd = s->command;
    switch (tm->id)
    {
    case tmRun:
        if (cmd != cmdRun)
            return;
        s->startTimer(tmRun, 0);
        SEES::dlog.crit() << *s << ": RUN TIMEOUT! (" << s->RunTime << " msec)" << std::endl;
        s->commandOutput(s->DG_Start_C, false);
        s->raise(s->mid_NotOn);
        repeatOrFallBack(s, mode);
        return;

    case tmOff:
        if (cmd != cmdStop)
            return;
        s->startTimer(tmOff, 0);
        s->commandOutput(s->DG_Stop_C, false);
        SEES::dlog.crit() << *s << ": Off TIMEOUT! (" << s->OffTime << " msec)" << std::endl;
        s->raise(s->mid_NotOff);
        repeatOrFallBack(s, mode);
        return;

    case tmQG:
        if (cmd == cmdQGOn)
        {
            s->startTimer(tmQG, 0);
            SEES::dlog.crit() << *s << ": QG on TIMEOUT (" << s->QGOnTime << " msec)" << std::endl;
            s->commandOutput(s->QG_On_C, false);
            // The run time-out's message, as the operators know it.
            s->raise(s->mid_NotOn);
            repeatOrFallBack(s, mode);
        }
        else if (cmd == cmdQGOff)
        {
            s->startTimer(tmQG, 0);
            SEES::dlog.crit() << *s << ": QG off TIMEOUT (" << s->QGOffTime << " msec)" << std::endl;
            s->commandOutput(s->QG_Off_C, false);
            s->raise(s->mid_QG_NotOff);
            repeatOrFallBack(s, mode);
        }
        return;

    case tmAcceptWaiting:
        SEES::dlog.warn() << *s << leaveFailedText << std::endl;
        s->setLamp(s->lmpDG_ON_c, 0);
        stopWaitingForLeave(s);
        s->raise(s->mid_NotAccept);
        s->changeMode(s->fallbackMode);
        return;

    case tmAcceptControl:
        if (!s->askQGLeave(cmd == cmdQGOn))
            return;
        stopWaitingForLeave(s);
        SEES::dlog.info() << *s << ": accept QG ok (toMode=" << cmd << ")" << std::endl;
        mode->activate(s);
        return;

    default:
        SEES::dlog.crit() << *s << ":  неизвестный таймер: " << tm->id << std::endl;
        return;
    }
}

void PendingCommand::repeatOrFallBack(SEES* s, SEESMode* mode)
{
    if (s->attempts < s->attemptCount)
    {
        ++s->attempts;
        SEES::dlog.crit() << *s << ": " << s->attempts << " попытка повтора команды..." << std::endl;
        mode->activate(s);
        return;
    }
    s->changeMode(s->fallbackMode);
}

void PendingCommand::drop(SEES* s)
{
    switch (s->command)
    {
    case cmdStop:
        s->startTimer(tmOff, 0);
        s->commandOutput(s->DG_Stop_C, false);
        break;
    case cmdQGOn:
        s->startTimer(tmQG, 0);
        s->commandOutput(s->QG_On_C, false);
        break;
    case cmdRun:
        s->startTimer(tmRun, 0);
        s->commandOutput(s->DG_Start_C, false);
        break;
    case cmdQGOff:
        s->startTimer(tmQG, 0);
        s->commandOutput(s->QG_Off_C, false);
        break;
    case cmdCooling:
        break;
    default:
        return;
    }
    s->releaseQGLeave();
    // A wait for the leave must not outlive the command: its timers would end a later
    // command as a failed wait, or run it again.
    stopWaitingForLeave(s);
}

bool PendingCommand::rollback(SEES* s)
{
    SEES::dlog.warn() << *s << "(rollback): отмена команды...(mode=" << s->prevCommand << ")" << std::endl;
    drop(s);
    return true;
}
