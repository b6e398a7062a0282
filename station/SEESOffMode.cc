#include "SEESOffMode.h"

#include "SEES.h"
#include "SEESProtectionMode.h"
#include "SEESWaitingMode.h"

using namespace UniSetTypes;

SEESMode* SEESOffMode::Instance()
{
    static SEESOffMode* inst = new SEESOffMode();
    return inst;
}

bool SEESOffMode::activate(SEES* s)
{
    SEES::dlog.info() << *s << ": ..............activate.............." << std::endl;
    setControlMode(s, 2);
    s->setLamps({{s->lmpDG_ON_c, 0}, {s->lmpDG_OFF_c, 1}, {s->lmpQG_ON_c, 0}, {s->lmpQG_OFF_c, 1}});
    // The output ControlMode_f, not the input CtlMode_f: where the configuration gives
    // both one sensor (as the bench does) the answer is the control value.
    s->askAgain({s->ControlMode_f, s->DG_Start_s, s->state_as});
    s->report(SEESMessage::ModeChange, modeOff);
    return true;
}

void SEESOffMode::sensorInfo(const SensorMessage* sm, SEES* s)
{
    if (sm->id == s->DG_Start_s)
    {
        if (!sm->state)
            return;
        SEES::dlog.info() << *s << ": DG start..." << std::endl;
        s->pause(s->CommandPause);
        if (s->owner->canRun(s->num))
        {
            changeMode(SEESWaitingMode::Instance(s, cmdRun, SEESProtectionMode::Instance(), 0), s);
            return;
        }
        SEES::dlog.info() << *s << ": blocked run! Ignore command.." << std::endl;
        s->raise(s->mid_BlockedRun);
        return;
    }
    if (sm->id == s->DG_Stop_s || sm->id == s->QG_Off_s)
        return;
    if (sm->id == s->state_as)
    {
        leaveStopped(s, sm->value, ":  state!=mOFF ");
        return;
    }
    SEESMode::sensorInfo(sm, s);
}

void SEESOffMode::sysCommand(const SystemMessage* sm, SEES* s)
{
    if (sm->command == SystemMessage::WatchDog)
        s->setLamps({{s->lmpDG_ON_c, 0}, {s->lmpQG_ON_c, 0}, {s->lmpDG_OFF_c, 1}, {s->lmpQG_OFF_c, 1}});
}
