#include "SEESSleepMode.h"

#include "SEES.h"
#include "SEESInitMode.h"

using namespace UniSetTypes;

SEESMode* SEESSleepMode::Instance()
{
    static SEESSleepMode* inst = new SEESSleepMode();
    return inst;
}

bool SEESSleepMode::activate(SEES* s)
{
    SEES::dlog.info() << *s << "(activate): Режим АУ отключён" << std::endl;
    setControlMode(s, 1);
    s->setLamps({{s->lmpDG_ON_c, 0}, {s->lmpDG_OFF_c, 0}, {s->lmpQG_ON_c, 0}, {s->lmpQG_OFF_c, 0}});
    s->raise(s->mid_NotReserv);
    s->askAgain({s->CtlMode_f, s->state_as});
    // A reserve command given before control was switched off must not be carried out later.
    s->resetReservCommands();
    s->report(SEESMessage::ModeChange, modeSleep);
    s->out_postID = 0;
    s->out_OnControl_C = false;
    askTimer(s, tmUpdateState, s->updateStateTime);
    return true;
}

bool SEESSleepMode::deactivate(SEES* s)
{
    s->load20State = 0;
    s->out_OnControl_C = true;
    s->out_postID = s->myPostID;
    askTimer(s, tmUpdateState, 0);
    return true;
}

void SEESSleepMode::sensorInfo(const SensorMessage* sm, SEES* s)
{
    if (sm->id == s->CtlMode_f)
    {
        // Every value of control (2 or 3) leaves, a repeated one too.
        if (!controlOff(sm->value))
            changeMode(SEESInitMode::Instance(), s);
    }
    else if (sm->id == s->state_as)
        updateLamps(s);
}

void SEESSleepMode::timerInfo(const TimerMessage* tm, SEES* s)
{
    if (tm->id == tmUpdateState)
        updateLamps(s);
}

void SEESSleepMode::updateLamps(SEES* s)
{
    const bool qgOn = s->qg->isOn();
    const bool dieselOn = s->diesel->isOn();
    const bool generatorOn = s->generator->isOn();
    const bool dgOn = dieselOn || generatorOn;
    s->setLamps({{s->lmpDG_ON_c, dgOn ? 1 : 0},
                 {s->lmpDG_OFF_c, dgOn ? 0 : 1},
                 {s->lmpQG_ON_c, qgOn ? 1 : 0},
                 {s->lmpQG_OFF_c, qgOn ? 0 : 1}});
}
