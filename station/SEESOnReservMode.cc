#include "SEESOnReservMode.h"

#include "SEES.h"
#include "SEESAutoWaitingMode.h"
#include "SEESOnAutoMode.h"

using namespace UniSetTypes;

SEESMode* SEESOnReservMode::Instance()
{
    static SEESOnReservMode* inst = new SEESOnReservMode();
    return inst;
}

bool SEESOnReservMode::activate(SEES* s)
{
    SEES::dlog.info() << *s << ": ..activate.." << std::endl;
    setControlMode(s, 3);
    updateLamps(s);
    s->askAgain({s->cmd_OffReserv_f, s->Leader_f});
    s->report(SEESMessage::ModeChange, modeReserv);
    return true;
}

void SEESOnReservMode::reserveStop(SEES* s)
{
    SEES::dlog.info() << *s << " ..OFF RESERV COMMAND.." << std::endl;
    // The two commands settle before they are read: the supervision drops one before
    // it raises the other.
    s->pause(200);
    s->getdata();
    if (s->in_cmd_OffReserv_f == s->in_cmd_OnReserv_f)
    {
        SEES::dlog.warn() << *s << ": ??? in_OffReservCommand_S = in_OnReservCommand_S " << std::endl;
        s->report(SEESMessage::ReservCommandConflict, 1);
        return;
    }
    if (s->owner->isAlone(s->num))
    {
        SEES::dlog.warn() << *s << ": IGONRE OFF RESERV CMD. I`m alone!" << std::endl;
        return;
    }
    SEES::dlog.info() << *s << ":  Отключение резерва..." << std::endl;
    changeMode(SEESAutoWaitingMode::Instance(s, cmdQGOff, Instance(), 0), s);
}

void SEESOnReservMode::sensorInfo(const SensorMessage* sm, SEES* s)
{
    const ObjectId sid = sm->id;
    if (sid == s->cmd_OffReserv_f)
    {
        if (sm->state)
            reserveStop(s);
        return;
    }
    if (sid == s->QG_On_s || sid == s->DG_Start_s)
    {
        if (sm->state)
        {
            SEES::dlog.info() << *s << ": игнорируем OnCommand!! Т.к. находимся в режиме резерва" << std::endl;
            s->raise(s->mid_SetReserv_Att);
        }
        return;
    }
    if (sid == s->QG_Off_s || sid == s->DG_Stop_s)
    {
        if (sm->state)
        {
            SEES::dlog.info() << *s << ": игнорируем Off!! Т.к. находимся в режиме резерва" << std::endl;
            s->raise(s->mid_SetReserv_Att);
        }
        return;
    }
    if (sid == s->Leader_f)
    {
        if (!sm->state)
            return;
        SEES::dlog.info() << *s << ": 'OFF RESERV MODE' COMMAND!" << std::endl;
        handOver(s, SEESOnAutoMode::Instance());
        return;
    }
    SEESOnMode::sensorInfo(sm, s);
}
