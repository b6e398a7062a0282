#include "SEESOnMode.h"

#include "SEES.h"
#include "StationState.h"

using namespace UniSetTypes;

SEESMode* SEESOnMode::Instance()
{
    static SEESOnMode* inst = new SEESOnMode();
    return inst;
}

bool SEESOnMode::activate(SEES* s)
{
    SEES::dlog.info() << *s << ": ...activate..." << std::endl;
    setControlMode(s, 2);
    updateLamps(s);
    s->report(SEESMessage::ModeChange, modeOn);
    return true;
}

namespace
{
    void lightOn(SEES* s)
    {
        s->setLamps({{s->lmpDG_ON_c, 1}, {s->lmpQG_ON_c, 1}, {s->lmpDG_OFF_c, 0}, {s->lmpQG_OFF_c, 0}});
    }
}

void SEESOnMode::updateLamps(SEES* s)
{
    lightOn(s);
    s->askAgain({s->CtlMode_f, s->QG_Off_s});
}

void SEESOnMode::sensorInfo(const SensorMessage* sm, SEES* s)
{
    if (sm->id == s->state_as)
    {
        if (sm->value == mON)
            return;
        leaveOnStateChange(s, sm->value);
        return;
    }
    if (sm->id == s->QG_Off_s)
    {
        if (sm->state)
            qgCommand(s, this, cmdQGOff, ":  QG off command!", ":  QG_RemoteControl=0. Ignore 'QG OFF' command!",
                      s->mid_QG_NotOff_LocalControl);
        return;
    }
    if (sm->id == s->QG_On_s || sm->id == s->DG_Start_s)
        return;
    SEESMode::sensorInfo(sm, s);
}

void SEESOnMode::sysCommand(const SystemMessage* sm, SEES* s)
{
    if (sm->command == SystemMessage::WatchDog)
        lightOn(s);
}
