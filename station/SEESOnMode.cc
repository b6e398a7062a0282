#include "SEESOnMode.h"

#include "SEES.h"
#include "SEESInitMode.h"
#include "SEESProtectionMode.h"
#include "SEESWaitingMode.h"
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

void SEESOnMode::updateLamps(SEES* s)
{
    s->setLamps({{s->lmpDG_ON_c, 1}, {s->lmpQG_ON_c, 1}, {s->lmpDG_OFF_c, 0}, {s->lmpQG_OFF_c, 0}});
    s->askAgain({s->CtlMode_f, s->QG_Off_s});
}

void SEESOnMode::sensorInfo(const SensorMessage* sm, SEES* s)
{
    if (sm->id == s->state_as)
    {
        if (sm->value == mON)
            return;
        SEES::dlog.info() << *s << ":  СЭС перешло в другой режим?! " << Ravna::stateToString(sm->value) << std::endl;
        if (sm->value == mPROTECTION)
            changeMode(SEESProtectionMode::Instance(), s);
        else
            changeMode(SEESInitMode::Instance(), s);
        return;
    }
    if (sm->id == s->QG_Off_s)
    {
        if (!sm->state)
            return;
        SEES::dlog(Debug::INFO) << "\n";
        SEES::dlog.info() << *s << ":  QG off command!" << std::endl;
        if (!s->in_QG_RemoteControl_s)
        {
            SEES::dlog.info() << *s << ":  QG_RemoteControl=0. Ignore 'QG OFF' command!" << std::endl;
            s->raise(s->mid_QG_NotOff_LocalControl);
            return;
        }
        s->pause(s->CommandPause);
        changeMode(SEESWaitingMode::Instance(s, cmdQGOff, this, 0), s);
        return;
    }
    if (sm->id == s->QG_On_s || sm->id == s->DG_Start_s)
        return;
    SEESMode::sensorInfo(sm, s);
}

void SEESOnMode::sysCommand(const SystemMessage* sm, SEES* s)
{
    if (sm->command == SystemMessage::WatchDog)
        s->setLamps({{s->lmpDG_ON_c, 1}, {s->lmpQG_ON_c, 1}, {s->lmpDG_OFF_c, 0}, {s->lmpQG_OFF_c, 0}});
}
