#include "SEESRunningMode.h"

#include "SEES.h"
#include "StationState.h"

using namespace UniSetTypes;

SEESMode* SEESRunningMode::Instance()
{
    static SEESRunningMode* inst = new SEESRunningMode();
    return inst;
}

bool SEESRunningMode::activate(SEES* s)
{
    SEES::dlog.info() << *s << ": ...activate..." << std::endl;
    setControlMode(s, 2);
    // The QG-off lamp stays dark here although the QG is open.
    s->setLamps({{s->lmpDG_ON_c, 1}, {s->lmpDG_OFF_c, 0}, {s->lmpQG_ON_c, 0}, {s->lmpQG_OFF_c, 0}});
    s->askAgain({s->CtlMode_f, s->QG_On_s, s->DG_Stop_s, s->state_as});
    s->report(SEESMessage::ModeChange, modeRunning);
    return true;
}

void SEESRunningMode::sensorInfo(const SensorMessage* sm, SEES* s)
{
    const ObjectId sid = sm->id;
    if (sid == s->state_as)
    {
        if (sm->value == mRunning)
            return;
        leaveOnStateChange(s, sm->value);
        return;
    }
    if (sid == s->DG_Stop_s)
    {
        if (!sm->state)
            return;
        SEES::dlog(Debug::INFO) << "\n";
        SEES::dlog.info() << *s << ":  DG stop command!" << std::endl;
        // The set stops after its cooling run.
        handToWaiting(s, cmdCooling, this);
        return;
    }
    if (sid == s->QG_On_s)
    {
        if (sm->state)
            qgCommand(s, this, cmdQGOn, ":  QG on command!", ":  QG_RemoteControl=0. Ignore 'QG ON' command!",
                      s->mid_QG_NotOn_LocalControl);
        return;
    }
    if (sid == s->Overload95_S)
    {
        s->report(SEESMessage::Overload95, sm->state);
        return;
    }
    if (sid == s->Warning_S)
    {
        s->report(SEESMessage::Warning, sm->state);
        return;
    }
    SEESMode::sensorInfo(sm, s);
}
