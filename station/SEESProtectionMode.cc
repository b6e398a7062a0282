#include "SEESProtectionMode.h"

#include "SEES.h"
#include "SEESInitMode.h"
#include "StationState.h"

using namespace UniSetTypes;

SEESMode* SEESProtectionMode::Instance()
{
    static SEESProtectionMode* inst = new SEESProtectionMode();
    return inst;
}

bool SEESProtectionMode::activate(SEES* s)
{
    SEES::dlog.info() << *s << ": activate Режим защиты!" << std::endl;
    s->setProtection(true);
    // Only a leave the station holds goes back: another station's must stay.
    s->releaseQGLeave();
    // A reset button already held comes back as a message and is tried at once.
    s->askAgain({s->Reset_s});
    s->report(SEESMessage::Protection, 1);
    s->pause(s->protectionPause);
    updateLamp(s);
    s->raise(s->mid_ProtectionOn);
    askTimer(s, tmUpdateState, s->updateStateTime);
    return true;
}

bool SEESProtectionMode::deactivate(SEES* s)
{
    s->report(SEESMessage::Protection, 0);
    s->setProtection(false);
    s->raise(s->mid_ProtectionOff);
    s->commandOutput(s->DG_Stop_C, false);
    s->setLamp(s->lmpDG_ON_c, s->diesel->isOn() ? 1 : 0);
    askTimer(s, tmProtectionStop, 0);
    askTimer(s, tmUpdateState, 0);
    askTimer(s, tmProtectionCheck, 0);
    return true;
}

bool SEESProtectionMode::updateLamp(SEES* s)
{
    if (s->out_DG_Stop_C)
    {
        SEES::dlog.info() << *s << "(updateLamp):  ignore... DG stopping.." << std::endl;
        return true;
    }
    const bool qgProt = s->qg->isProtection();
    const bool dieselProt = s->diesel->isProtection();
    const bool generatorProt = s->generator->isProtection();
    const bool qgOn = s->qg->getOnState();
    const bool dieselOn = s->diesel->isOn();
    const bool generatorOn = s->generator->isOn();
    // The protection answers are for the log; the lamps follow the on-states.
    SEES::dlog.info() << *s << "(activate): "
                      << " qg_prot=" << qgProt << " gen_prot=" << generatorProt << " dis_prot=" << dieselProt
                      << std::endl;
    long dgOn = 0;
    long dgOff = 1;
    if (dieselOn != generatorOn)
        dgOn = dgOff = 3;
    else if (dieselOn)
    {
        dgOn = 1;
        dgOff = 0;
    }
    s->setLamps({{s->lmpDG_ON_c, dgOn},
                 {s->lmpDG_OFF_c, dgOff},
                 {s->lmpQG_ON_c, qgOn ? 1 : 0},
                 {s->lmpQG_OFF_c, qgOn ? 0 : 1}});
    return true;
}

void SEESProtectionMode::sensorInfo(const SensorMessage* sm, SEES* s)
{
    const ObjectId sid = sm->id;
    if (sid == s->Reset_s && sm->state)
    {
        resetProtection(s);
        return;
    }
    if (sid == s->QG_On_s || sid == s->DG_Start_s)
    {
        if (sm->state)
        {
            SEES::dlog.info() << *s << ": включение невозможно 'защита не восстановлена'" << std::endl;
            s->raise(s->mid_NotOn);
        }
        return;
    }
    if (sid == s->QG_Off_s || sid == s->DG_Stop_s)
    {
        if (sm->state)
            stopWithoutReset(s, sid == s->QG_Off_s);
        return;
    }
    if (sid == s->state_as)
    {
        updateLamp(s);
        return;
    }
    SEESMode::sensorInfo(sm, s);
}

void SEESProtectionMode::resetProtection(SEES* s)
{
    SEES::dlog.info() << *s << ": сброс защиты..." << std::endl;
    bool qgProt = s->qg->isProtection();
    bool dieselProt = s->diesel->isProtection();
    bool generatorProt = s->generator->isProtection();
    if (qgProt || dieselProt || generatorProt || s->in_state_as == mPROTECTION)
    {
        s->pause(s->resetPause);
        s->qg->getdata();
        s->diesel->getdata();
        s->generator->getdata();
        s->getdata();
    }
    updateLamp(s);

    qgProt = s->qg->isProtection();
    dieselProt = s->diesel->isProtection();
    generatorProt = s->generator->isProtection();
    if (!qgProt && !dieselProt && !generatorProt && s->in_state_as != mPROTECTION)
    {
        changeMode(SEESInitMode::Instance(), s);
        return;
    }
    SEES::dlog.info() << *s << ": защита не сброшена"
                      << " dis_prot=" << dieselProt << " gen_prot=" << generatorProt << " qg_prot=" << qgProt
                      << " state_as=" << s->in_state_as << std::endl;
}

void SEESProtectionMode::stopWithoutReset(SEES* s, bool qgOffButton)
{
    if (qgOffButton && !s->in_QG_RemoteControl_s)
    {
        SEES::dlog.info() << *s << ":  QG_RemoteControl=0. Ignore 'QG OFF' command!" << std::endl;
        s->raise(s->mid_QG_NotOff);
    }
    updateLamp(s);
    if (s->in_CtlMode_f == 3)
    {
        SEES::dlog.info() << *s << ": отключение невозможно мы в режиме резерва" << std::endl;
        s->raise(s->mid_NotOff);
        return;
    }
    SEES::dlog.info() << *s << ": отключение без сброса защиты..."
                      << " DGStopTime=" << s->DGProtectionStopTime << " OffTime=" << s->OffTime << std::endl;
    s->commandOutput(s->DG_Stop_C, true);
    s->setLamp(s->lmpDG_ON_c, 2);
    askTimer(s, tmProtectionStop, s->DGProtectionStopTime < 1 ? s->OffTime : s->DGProtectionStopTime);
    s->askAgain({s->state_as});
    askTimer(s, tmProtectionCheck, s->DGProtectionCheckTime);
}

void SEESProtectionMode::endStop(SEES* s)
{
    s->commandOutput(s->DG_Stop_C, false);
    askTimer(s, tmProtectionStop, 0);
    askTimer(s, tmProtectionCheck, 0);
}

void SEESProtectionMode::timerInfo(const TimerMessage* tm, SEES* s)
{
    switch (tm->id)
    {
    case tmProtectionCheck:
        if (!s->diesel->isOn())
            endStop(s);
        return;
    case tmUpdateState:
        updateLamp(s);
        return;
    case tmProtectionStop:
        SEES::dlog.crit() << *s << ": DGProtectionStop TIMEOUT! (" << s->DGProtectionStopTime << " msec)\n"
                          << std::endl;
        s->raise(s->mid_Diesel_NotOff);
        endStop(s);
        return;
    default:
        SEES::dlog.crit() << *s << ":  Unknown timer " << tm->id << std::endl;
        return;
    }
}

void SEESProtectionMode::sysCommand(const SystemMessage* sm, SEES* s)
{
    if (sm->command == SystemMessage::WatchDog)
        updateLamp(s);
}
