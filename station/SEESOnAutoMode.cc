#include "SEESOnAutoMode.h"

#include "SEES.h"

using namespace UniSetTypes;

SEESMode* SEESOnAutoMode::Instance()
{
    static SEESOnAutoMode* inst = new SEESOnAutoMode();
    return inst;
}

bool SEESOnAutoMode::activate(SEES* s)
{
    setControlMode(s, 3);
    SEESOnReservMode::activate(s);
    s->report(SEESMessage::ModeChange, modeAuto);
    // The answer for Overload20_S starts the low-load filter.
    s->askAgain({s->Warning_S, s->Overload95_S, s->Overload105_S, s->Overload20_S});
    return true;
}

bool SEESOnAutoMode::deactivate(SEES* s)
{
    // The next stay on the busbar filters afresh.
    s->load20State = 0;
    askTimer(s, tmLoad20, 0);
    return true;
}

void SEESOnAutoMode::sensorInfo(const SensorMessage* sm, SEES* s)
{
    const ObjectId sid = sm->id;
    if (sid == s->cmd_OffReserv_f || sid == s->cmd_OnReserv_f)
    {
        if (sm->state)
            SEES::dlog.info() << *s << ":  игнорируем команды управления резервом, т.к. мы врежиме 'авто'"
                              << std::endl;
        return;
    }
    if (sid == s->Leader_f)
    {
        if (sm->state)
            return;
        SEES::dlog.info() << *s << ": 'TO RESERV' COMMAND!" << std::endl;
        handOver(s, SEESOnReservMode::Instance());
        return;
    }
    // The station has recomputed the demand from these before handing them on.
    if (sid == s->Warning_S || sid == s->Overload95_S || sid == s->Overload105_S)
        return;
    if (sid == s->Overload20_S)
    {
        filterLowLoad(sm, s);
        return;
    }
    SEESOnReservMode::sensorInfo(sm, s);
}

// One hold-back per stay on the busbar: the first message starts it, whatever its
// value; from its end on, every change of the low-load signal counts at once.
void SEESOnAutoMode::filterLowLoad(const SensorMessage* sm, SEES* s)
{
    switch (s->load20State)
    {
    case 0:
        SEES::dlog.info() << *s << ":  начинаем фильтровать сигнал 'нагрузка < 20%' " << std::endl;
        s->load20State = 1;
        askTimer(s, tmLoad20, s->Load20Time, 1);
        return;
    case 2:
        SEES::dlog.info() << *s << ": нагрузка 20%=" << sm->state << " load20_sig=" << s->load20State << std::endl;
        return;
    default:
        return;
    }
}

void SEESOnAutoMode::timerInfo(const TimerMessage* tm, SEES* s)
{
    if (tm->id != tmLoad20)
        return;
    askTimer(s, tmLoad20, 0);
    s->load20State = 2;
    SEES::dlog.info() << *s << ": фильтрование 'нагрузка < 20%' закончено (" << s->in_Overload20_S << ")"
                      << std::endl;
    updateNeedReservCommand(s);
}
