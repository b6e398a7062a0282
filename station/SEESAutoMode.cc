#include "SEESAutoMode.h"

#include "SEES.h"
#include "SEESAutoWaitingMode.h"
#include "SEESProtectionMode.h"

using namespace UniSetTypes;

SEESMode* SEESAutoMode::Instance()
{
    static SEESAutoMode* inst = new SEESAutoMode();
    return inst;
}

bool SEESAutoMode::activate(SEES* s)
{
    SEES::dlog.info() << *s << ": ..............activate.............." << std::endl;
    SEESReservMode::activate(s);
    s->report(SEESMessage::ModeChange, modeAuto);
    // A busbar already without power starts the blackout delay at once.
    s->askAgain({s->NoPower_S});
    return true;
}

bool SEESAutoMode::deactivate(SEES* s)
{
    askTimer(s, tmNoPower, 0);
    return true;
}

void SEESAutoMode::sensorInfo(const SensorMessage* sm, SEES* s)
{
    const ObjectId sid = sm->id;
    if (sid == s->cmd_OffReserv_f)
    {
        if (sm->state)
            SEES::dlog.info() << *s << ":  игнорируем команды управления резервом, т.к. мы врежиме 'авто'"
                              << std::endl;
        return;
    }
    if (sid == s->cmd_OnReserv_f)
    {
        if (!sm->state || !reserveStartStands(s))
            return;
        SEES::dlog.info() << *s << ": ТРЕБУЕТСЯ РЕЗЕРВ!!! (запускаемся в режиме авто). " << std::endl;
        // The set stands stopped: it is started, and the start goes on to the QG close.
        changeMode(SEESAutoWaitingMode::Instance(s, cmdRun, SEESProtectionMode::Instance(), 0), s);
        return;
    }
    if (sid == s->NoPower_S)
    {
        // A new loss of power while the delay runs starts it again.
        if (sm->state)
            askTimer(s, tmNoPower, s->NoPowerTime, 1);
        return;
    }
    if (sid == s->Leader_f)
    {
        if (sm->state)
            return;
        SEES::dlog.info() << *s << ": 'TO RESERV' COMMAND!" << std::endl;
        handOver(s, SEESReservMode::Instance());
        return;
    }
    SEESReservMode::sensorInfo(sm, s);
}

void SEESAutoMode::timerInfo(const TimerMessage* tm, SEES* s)
{
    // A loss of power shorter than the delay starts nothing: the power is back by now.
    if (tm->id != tmNoPower || !s->in_NoPower_S)
        return;
    SEES::dlog.info() << *s << "(timerInfo): ***** BLACKOUT!!! Run... *****" << std::endl;
    changeMode(SEESAutoWaitingMode::Instance(s, cmdRun, SEESProtectionMode::Instance(), 0), s);
}
