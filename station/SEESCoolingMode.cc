#include "SEESCoolingMode.h"

#include "SEES.h"
#include "SEESAutoWaitingMode.h"
#include "SEESInitMode.h"
#include "SEESProtectionMode.h"
#include "SEESWaitingMode.h"
#include "StationState.h"

using namespace UniSetTypes;

SEESMode* SEESCoolingMode::Instance()
{
    static SEESCoolingMode* inst = new SEESCoolingMode();
    return inst;
}

bool SEESCoolingMode::activate(SEES* s)
{
    SEES::dlog.info() << *s << ": ..............activate.............." << std::endl;
    s->askAgain({s->ControlMode_f, s->state_as});
    s->setLamp(s->lmpDG_ON_c, 0);
    s->blinkOffTimer.setTiming(s->cooling_blink_off_time);
    s->blinkOnTimer.setTiming(TimeoutInfinity);
    // The supervision counts a cooling set as stopped.
    s->report(SEESMessage::ModeChange, modeOff);
    s->startTimer(tmCooling, s->coolingTime);
    SEES::dlog.info() << *s << ": wait cooling " << s->coolingTime << " [msec] " << std::endl;
    s->raise(s->mid_CollingStart);
    return true;
}

bool SEESCoolingMode::deactivate(SEES* s)
{
    s->startTimer(tmCooling, 0);
    s->setLamp(s->lmpDG_ON_c, 0);
    return true;
}

void SEESCoolingMode::step(SEES* s)
{
    if (s->blinkOffTimer.checkTime())
    {
        s->blinkOffTimer.setTiming(TimeoutInfinity);
        s->blinkOnTimer.setTiming(s->cooling_blink_on_time);
        s->setLamp(s->lmpDG_ON_c, 1);
    }
    else if (s->blinkOnTimer.checkTime())
    {
        s->blinkOnTimer.setTiming(TimeoutInfinity);
        s->blinkOffTimer.setTiming(s->cooling_blink_off_time);
        s->setLamp(s->lmpDG_ON_c, 0);
    }
}

void SEESCoolingMode::sensorInfo(const SensorMessage* sm, SEES* s)
{
    const bool automatic = s->in_CtlMode_f == 3;
    if (sm->id == s->DG_Start_s)
    {
        if (sm->state && !automatic)
            changeMode(SEESWaitingMode::Instance(s, cmdRun, SEESProtectionMode::Instance(), 0), s);
        return;
    }
    if (sm->id == s->cmd_OnReserv_f)
    {
        if (sm->state && automatic && !s->in_Leader_f)
            changeMode(SEESAutoWaitingMode::Instance(s, cmdQGOn, SEESProtectionMode::Instance(), s->ReservCount), s);
        return;
    }
    if (sm->id == s->NoPower_S)
    {
        if (sm->state && automatic && s->in_Leader_f)
            changeMode(SEESAutoWaitingMode::Instance(s, cmdQGOn, SEESProtectionMode::Instance(), 0), s);
        return;
    }
    if (sm->id == s->state_as)
    {
        if (sm->value == mPROTECTION)
        {
            SEES::dlog.info() << *s << ":  mPROTECTION " << Ravna::stateToString(sm->value) << std::endl;
            changeMode(SEESProtectionMode::Instance(), s);
        }
        else if (sm->value != mTRANSITIVE && sm->value != mRunning)
        {
            SEES::dlog.info() << *s << ":  Mode changed?! val=" << sm->value << std::endl;
            changeMode(SEESInitMode::Instance(), s);
        }
        return;
    }
    SEESMode::sensorInfo(sm, s);
}

void SEESCoolingMode::timerInfo(const TimerMessage* tm, SEES* s)
{
    if (tm->id != tmCooling)
        return;
    s->raise(s->mid_CollingFinished);
    s->startTimer(tmCooling, 0);
    SEES::dlog.info() << *s << ": cooling finished..(" << s->coolingTime << " [msec])" << std::endl;
    if (s->in_CtlMode_f == 3)
        changeMode(SEESAutoWaitingMode::Instance(s, cmdStop, SEESProtectionMode::Instance(), 0), s);
    else
        changeMode(SEESWaitingMode::Instance(s, cmdStop, SEESProtectionMode::Instance(), 0), s);
}
