#include "SEESInitMode.h"

#include "Exceptions.h"
#include "SEES.h"
#include "SEESAutoMode.h"
#include "SEESAutoWaitingMode.h"
#include "SEESOffMode.h"
#include "SEESOnAutoMode.h"
#include "SEESOnMode.h"
#include "SEESOnReservMode.h"
#include "SEESProtectionMode.h"
#include "SEESReservMode.h"
#include "SEESRunningMode.h"
#include "SEESSleepMode.h"
#include "StationState.h"

using namespace UniSetTypes;

SEESMode* SEESInitMode::Instance()
{
    static SEESInitMode* inst = new SEESInitMode();
    return inst;
}

bool SEESInitMode::activate(SEES* s)
{
    SEES::dlog.info() << *s << ": init state..." << std::endl;
    s->pause(s->initPause);
    s->getdata();
    s->diesel->getdata();
    s->generator->getdata();
    s->qg->getdata();

    if (controlOff(s->in_CtlMode_f))
    {
        SEES::dlog.info() << *s << ": режим ручного управления..." << std::endl;
        changeMode(SEESSleepMode::Instance(), s);
        return true;
    }
    if (s->in_state_as == mPROTECTION)
    {
        SEES::dlog.info() << *s << "(activate): "
                          << " state == mPROTECTION " << std::endl;
        changeMode(SEESProtectionMode::Instance(), s);
        return true;
    }

    try
    {
        if (survey(s))
            return true;
    }
    catch (const Exception& ex)
    {
        SEES::dlog.warn() << *s << ": " << ex << std::endl;
    }
    catch (...)
    {
        SEES::dlog.crit() << *s << ": неопределённое состояние" << std::endl;
    }
    decide(s);
    return true;
}

bool SEESInitMode::survey(SEES* s)
{
    const bool qgProt = s->qg->isProtection();
    const bool dieselProt = s->diesel->isProtection();
    const bool generatorProt = s->generator->isProtection();
    SEES::dlog.info() << *s << "(activate): "
                      << " qg_prot=" << qgProt << " gen_prot=" << generatorProt << " dis_prot=" << dieselProt
                      << std::endl;
    if (qgProt || dieselProt || generatorProt)
    {
        SEES::dlog.info() << *s << ": init ProtectionMode\n";
        changeMode(SEESProtectionMode::Instance(), s);
        return true;
    }

    const bool qgOn = s->qg->isOn();
    const bool dieselOn = s->diesel->isOn();
    const bool generatorOn = s->generator->isOn();
    const long state = s->in_state_as;
    SEES::dlog.info() << *s << ": init Diesel=" << dieselOn << " Generator=" << generatorOn << " QG=" << qgOn
                      << " sees=" << state << " r_on_cmd=" << s->in_cmd_OnReserv_f
                      << " r_off_cmd=" << s->in_cmd_OffReserv_f << std::endl;

    const long k = s->in_CtlMode_f;
    if ((dieselOn && generatorOn && qgOn) || state == mON)
    {
        s->out_postID = s->myPostID;
        if (k != 3)
        {
            SEES::dlog.info() << *s << ": to on mode.." << std::endl;
            changeMode(SEESOnMode::Instance(), s);
        }
        else if (s->in_Leader_f)
        {
            SEES::dlog.info() << *s << ": to auto mode.." << std::endl;
            changeMode(SEESOnAutoMode::Instance(), s);
        }
        else
        {
            SEES::dlog.info() << *s << ": to reserv mode.." << std::endl;
            changeMode(SEESOnReservMode::Instance(), s);
        }
        return true;
    }

    const bool running = (dieselOn && generatorOn) || state == mRunning;
    if (running && (k == 2 || k == 3))
    {
        s->out_postID = s->myPostID;
        if (k == 2)
            changeMode(SEESRunningMode::Instance(), s);
        else
            toRunning(s);
        return true;
    }

    const bool stopped = (!dieselOn && !generatorOn && !qgOn) || state == mOFF;
    if (!running && stopped)
    {
        s->out_postID = s->myPostID;
        if (k != 3)
            changeMode(SEESOffMode::Instance(), s);
        else if (s->in_Leader_f)
            changeMode(SEESAutoMode::Instance(), s);
        else
            changeMode(SEESReservMode::Instance(), s);
        return true;
    }

    if (setModeByState(s))
        return true;
    if (s->in_state_as == mTRANSITIVE)
    {
        for (int i = 0; i < s->initAttempts; ++i)
        {
            s->pause(s->initPause);
            s->getdata();
            if (setModeByState(s))
                return true;
        }
    }
    return false;
}

// A set found running under automatic control: what it is to do next.
void SEESInitMode::toRunning(SEES* s)
{
    setControlMode(s, 3);
    int cmd = cmdStop;
    if (s->in_NoPower_S)
        cmd = cmdRun;
    else if (s->needReservOn())
        cmd = cmdQGOn;
    changeMode(SEESAutoWaitingMode::Instance(s, cmd, SEESProtectionMode::Instance(), 0), s);
}

bool SEESInitMode::setModeByState(SEES* s)
{
    SEESMode* next = nullptr;
    switch (s->in_state_as)
    {
    case mOFF:
        next = SEESOffMode::Instance();
        break;
    case mON:
        next = SEESOnMode::Instance();
        break;
    case mPROTECTION:
        next = SEESProtectionMode::Instance();
        break;
    case mRunning:
        next = SEESRunningMode::Instance();
        break;
    default:
        return false;
    }
    changeMode(next, s);
    return true;
}

void SEESInitMode::decide(SEES* s)
{
    SEES::dlog.info() << *s << ": state_as=" << s->in_state_as << " " << Ravna::stateToString(s->in_state_as)
                      << std::endl;
    const long k = s->in_CtlMode_f;
    if (s->in_state_as == mPROTECTION)
    {
        changeMode(SEESProtectionMode::Instance(), s);
        return;
    }
    if (k == 3)
    {
        for (int i = 0; i < s->initAttempts && s->in_state_as == mTRANSITIVE; ++i)
        {
            s->pause(s->initPause);
            s->getdata();
        }
        const long state = s->in_state_as;
        if (state == mON || state == mOFF)
        {
            const bool on = state == mON;
            if (s->in_Leader_f)
                changeMode(on ? SEESOnAutoMode::Instance() : SEESAutoMode::Instance(), s);
            else
                changeMode(on ? SEESOnReservMode::Instance() : SEESReservMode::Instance(), s);
            return;
        }
    }
    SEES::dlog.crit() << *s << ": ПРОТИВОРЕЧИВОЕ СОСТОЯНИЕ" << std::endl;
    changeMode(SEESProtectionMode::Instance(), s);
}
