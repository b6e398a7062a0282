#include "SEESReservMode.h"

#include "SEES.h"
#include "SEESAutoMode.h"
#include "SEESAutoWaitingMode.h"
#include "SEESProtectionMode.h"

using namespace UniSetTypes;

SEESMode* SEESReservMode::Instance()
{
    static SEESReservMode* inst = new SEESReservMode();
    return inst;
}

bool SEESReservMode::activate(SEES* s)
{
    SEES::dlog.info() << *s << ": ..............activate.............." << std::endl;
    setControlMode(s, 3);
    s->report(SEESMessage::ModeChange, modeReserv);
    s->setLamps({{s->lmpDG_ON_c, 0}, {s->lmpDG_OFF_c, 0}, {s->lmpQG_ON_c, 0}, {s->lmpQG_OFF_c, 0}});
    // A reserve command or leader flag that already stands is handled at once.
    s->askAgain({s->CtlMode_f, s->cmd_OnReserv_f, s->Leader_f, s->state_as});
    return true;
}

bool SEESReservMode::deactivate(SEES* s)
{
    askTimer(s, tmBlockedRun, 0);
    return true;
}

bool SEESReservMode::reserveStartStands(SEES* s)
{
    if (s->getBoolState(s->cmd_OnReserv_f))
        return true;
    SEES::dlog.warn() << *s << ": игнорируем команду на запуск резерва" << std::endl;
    return false;
}

void SEESReservMode::reserveStart(SEES* s)
{
    s->getdata();
    if (!reserveStartStands(s))
        return;
    SEES::dlog.info() << *s << ":  Включение резерва..." << std::endl;
    if (s->owner->canRun(s->num))
    {
        changeMode(SEESAutoWaitingMode::Instance(s, cmdRun, SEESProtectionMode::Instance(), s->ReservCount), s);
        return;
    }
    // Not an error: the group has its working sets. Asked again while the command stands.
    SEES::dlog.info() << *s << ": blocked run! Ignore command.." << std::endl;
    s->raise(s->mid_BlockedRun);
    askTimer(s, tmBlockedRun, s->BlockedRunTime, 1);
}

void SEESReservMode::sensorInfo(const SensorMessage* sm, SEES* s)
{
    const ObjectId sid = sm->id;
    if (sid == s->cmd_OnReserv_f)
    {
        if (sm->state)
            reserveStart(s);
        return;
    }
    if (sid == s->QG_Off_s || sid == s->DG_Stop_s)
    {
        if (sm->state)
        {
            SEES::dlog.info() << *s << ": игнорируем OffCommand! т.к. находимся в режиме резерва!" << std::endl;
            s->raise(s->mid_NotOff);
        }
        return;
    }
    if (sid == s->QG_On_s || sid == s->DG_Start_s)
    {
        if (sm->state)
        {
            SEES::dlog.info() << *s << ": игнорируем OnCommand! т.к. находимся в режиме резерва!" << std::endl;
            s->raise(s->mid_NotOn);
        }
        return;
    }
    if (sid == s->Leader_f)
    {
        if (!sm->state)
            return;
        SEES::dlog.info() << *s << (s->in_CtlMode_f == 3 ? ": GOTO AutoMode..." : ": off ReservMode GOTO InitMode...")
                          << std::endl;
        handOver(s, SEESAutoMode::Instance());
        return;
    }
    if (sid == s->state_as)
    {
        leaveStopped(s, sm->value, ":  state != mOFF ");
        return;
    }
    SEESMode::sensorInfo(sm, s);
}

void SEESReservMode::timerInfo(const TimerMessage* tm, SEES* s)
{
    if (tm->id != tmBlockedRun)
        return;
    s->getdata();
    updateNeedReservCommand(s);
    // A command that still stands comes back as a message and is tried again.
    s->askAgain({s->cmd_OnReserv_f});
}
