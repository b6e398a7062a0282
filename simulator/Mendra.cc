#include "Mendra.h"

#include <cstdlib>
#include <limits>

#include "Configuration.h"
#include "Exceptions.h"
#include "Ravna.h"
#include "SimulatorConsole.h"
#include "StationState.h"

using namespace UniSetTypes;
using simulator::flag;

Mendra::Mendra(const std::string& name, xmlNode* cnode) : Mendra_SK(conf->getObjectID(name), cnode)
{
    alarmTrigger = std::make_unique<OrTrigger<Mendra>>(this, &Mendra::onDieselAlarmStop);
    alarmTrigger->add(MaxPossibleRotation_S);
    alarmTrigger->add(Oil_BelowMinPressure_S);
    alarmTrigger->add(Overload105_Cmd_S);
    setQG(false);
}

Mendra::Mendra() : Mendra_SK() {}

Mendra::~Mendra() = default;

void Mendra::say(const std::string& text) const { simulator::printLine(getName() + text); }

void Mendra::startTimer(Timer id, long msec, short ticks) { askTimer(id, msec, ticks, Message::High); }

void Mendra::cancelTimer(Timer id) { askTimer(id, 0, 1, Message::High); }

void Mendra::setQG(bool closed)
{
    qgClosed = closed;
    out_QG_On_S = closed;
    out_QG_Off_S = !closed;
}

long Mendra::settledStationState() const
{
    if (protectionStands() || out_diesel_state_as == mPROTECTION)
        return mPROTECTION;
    if (qgClosed)
        return mON;
    return out_EngineRunning_S ? mRunning : mOFF;
}

long Mendra::settledBreakerState() const
{
    if (protectionStands())
        return mPROTECTION;
    return qgClosed ? mON : mOFF;
}

void Mendra::sigterm(int signo)
{
    out_DG_U_S = 0;
    out_P_as = 0;
    out_EngineRunning_S = false;
    out_QG_Off_S = false;
    out_QG_On_S = false;
    out_ReadyForLoading_S = false;
    out_AlarmStop_S = false;
    try
    {
        setdata(true);
    }
    catch (const Exception&)
    {
        // setdata has logged it; the loop must stop all the same.
    }
    // Stopped after the write, so that no later pass puts the breaker outputs back.
    Mendra_SK::sigterm(signo);
}

void Mendra::askSensors(UniversalIO::UIOCommand cmd)
{
    setQG(false);
    askSensorOnNode(QG_On_C, cmd, conf->getLocalNode());
    askSensorOnNode(QG_Off_C, cmd, conf->getLocalNode());
}

void Mendra::step()
{
    setQG(qgClosed);
    out_QG_NA_S = false;
}

void Mendra::sensorInfo(const SensorMessage* sm)
{
    simulator::printLine("id=" + std::to_string(sm->id) + " val=" + std::to_string(sm->value));
    const ObjectId sid = sm->id;
    const bool state = sm->state;
    try
    {
        if (sid == GEU_Power_s || sid == QG_count_as)
            sharePower();

        if (sid == ResetProtection_S)
        {
            if (state)
                resetProtection();
        }
        else if (sid == QG_RemoteControl_S)
            out_QG_LocalControl_S = !state;
        else if (sid == QG_On_S || sid == QG_Off_S)
        {
            // Our own outputs.
        }
        else if (sid == Diesel_Start_C || sid == Diesel_Stop_C || sid == DG_Discharge_C || sid == QG_On_C ||
                 sid == QG_Off_C || sid == QG_SyncOn_C)
            setState(sid, state);
        else if (sid == QG_Protection_S || sid == QG_ROM_Protection_S)
        {
            if (state)
                tripQG();
            else
                tripCleared();
        }
        else if (sid == MaxPossibleRotation_S || sid == Oil_BelowMinPressure_S || sid == Overload105_Cmd_S)
        {
            if (sid == Overload105_Cmd_S)
                out_Overload105_S = state;
            // The trigger calls onDieselAlarmStop only when its output changes: a message that
            // repeats or clears one alarm of several must not touch a set that runs.
            alarmTrigger->commit(sid, state);
            setdata(true);
        }
        else if (sid == Overload20_Cmd_S || sid == Overload95_Cmd_S)
        {
            const bool is20 = sid == Overload20_Cmd_S;
            say((is20 ? ": overload20 cmd=" : ": overload95 cmd=") + flag(state));
            (is20 ? out_Overload20_S : out_Overload95_S) = state;
            cancelTimer(tmOverload20Off);
            cancelTimer(tmDischarged);
        }
    }
    catch (const Exception& ex)
    {
        Ravna::dlog.crit() << getName() << "(sensorInfo): " << ex << std::endl;
    }
}

void Mendra::sharePower()
{
    if (in_QG_count_as == 0 || out_qg_state_as != mON)
        return;
    const long load = in_GEU_Power_s;
    // The most negative reading has no magnitude in a long; no real plant gets near it.
    const long magnitude =
        load == std::numeric_limits<long>::min() ? std::numeric_limits<long>::max() : std::labs(load);
    out_P_as = magnitude / in_QG_count_as;
}

bool Mendra::protectionStands() const { return in_QG_Protection_S || in_QG_ROM_Protection_S; }

long Mendra::underWay() const { return protectionStands() ? mPROTECTION : mTRANSITIVE; }

bool Mendra::closeBlocked() const
{
    if (!protectionStands())
        return false;
    say(": QG close refused, protection on");
    return true;
}

void Mendra::tripQG()
{
    cancelTimer(tmOverload20Off);
    cancelTimer(tmQGClosed);
    startTimer(tmQGOpened, qgOffMs);
    setQG(false);
    out_P_as = 0;
    out_sees_state_as = mPROTECTION;
    out_qg_state_as = mPROTECTION;
    out_SEES_Protection_L = true;
    out_QG_Protection_L = true;
}

void Mendra::tripCleared()
{
    // While an input stands or the trip's open report is still due, the codes are not
    // this one's to settle.
    if (protectionStands() || out_qg_state_as != mPROTECTION || getTimeInterval(tmQGOpened) != 0)
        return;
    out_qg_state_as = settledBreakerState();
    if (out_sees_state_as == mPROTECTION)
        out_sees_state_as = settledStationState();
}

void Mendra::setState(ObjectId sid, bool state)
{
    try
    {
        if (sid == QG_On_C || sid == QG_SyncOn_C || sid == QG_Off_C)
        {
            // The breaker obeys only while it is under remote control.
            if (!in_QG_RemoteControl_S)
                return;
            const bool off = sid == QG_Off_C;
            say((off ? ": QG_Off_C=" : sid == QG_On_C ? ": QG_On_C=" : ": QG_SyncOn_C=") + flag(state));
            if (!state)
                return;
            // A breaker held open by its protection does not close, whoever asks.
            if (!off && closeBlocked())
                return;
            cancelTimer(tmDischarged);
            if (off)
            {
                cancelTimer(tmQGClosed);
                startTimer(tmQGOpened, qgOffMs);
            }
            else
            {
                cancelTimer(tmQGOpened);
                startTimer(tmQGClosed, sid == QG_On_C ? qgOnMs : qgSyncOnMs);
            }
            out_qg_state_as = underWay();
            out_sees_state_as = underWay();
            return;
        }

        if (!state)
            return;

        if (sid == DG_Discharge_C)
        {
            say(": Discharge...");
            cancelTimer(tmQGClosed);
            cancelTimer(tmQGOpened);
            startTimer(tmDischarged, dischargeMs);
            // A trip cleared before its open report waited for that report to settle the codes.
            tripCleared();
            pauseFor(100);
            out_Overload95_S = false;
        }
        else if (sid == Diesel_Start_C)
        {
            say(": Starting...");
            cancelTimer(tmStopped);
            startTimer(tmStarted, startMs);
            out_diesel_state_as = mTRANSITIVE;
            out_sees_state_as = underWay();
        }
        else if (sid == Diesel_Stop_C)
        {
            say(": Diesel stopping...");
            cancelTimer(tmStarted);
            startTimer(tmStopped, stopMs);
            cancelTimer(tmVoltageRamp);
            // A breaker must not close on a set that is stopping.
            cancelTimer(tmQGClosed);
            out_DG_U_S = 0;
            out_P_as = 0;
            out_diesel_state_as = mTRANSITIVE;
            out_sees_state_as = underWay();
        }
    }
    catch (const Exception& ex)
    {
        Ravna::dlog.crit() << getName() << "(setState): " << ex << std::endl;
    }
}

void Mendra::resetProtection()
{
    // Latched flags clear only once their causes are gone, however long after the trip.
    if (protectionStands())
        return;
    const bool tripped = out_qg_state_as == mPROTECTION;
    if (tripped)
        out_qg_state_as = mOFF;
    out_QG_Protection_L = false;
    if (out_diesel_state_as == mPROTECTION)
        return;   // the diesel is still in emergency stop
    if (tripped)
        out_sees_state_as = settledStationState();
    out_SEES_Protection_L = false;
}

void Mendra::onDieselAlarmStop(bool state)
{
    say(": ******************** onDieselAlarmStop=" + flag(state));
    if (!state)
    {
        out_AlarmStop_S = false;
        out_diesel_state_as = mOFF;
        out_generator_state_as = mOFF;
        out_sees_state_as = settledStationState();
        return;
    }

    out_sees_state_as = mPROTECTION;
    out_diesel_state_as = mPROTECTION;
    out_SEES_Protection_L = true;
    out_generator_state_as = mOFF;
    out_ReadyForLoading_S = false;
    out_EngineRunning_S = false;
    out_AlarmStop_S = true;
    setQG(false);
    out_qg_state_as = settledBreakerState();
    out_DG_U_S = 0;
    out_P_as = 0;
    cancelTimer(tmOverload20Off);
    cancelTimer(tmDischarged);
    cancelTimer(tmStarted);
    cancelTimer(tmStopped);
    cancelTimer(tmVoltageRamp);
    // Nor may a pending breaker switching bring the stopped set back on line.
    cancelTimer(tmQGClosed);
    cancelTimer(tmQGOpened);
}

void Mendra::timerInfo(const TimerMessage* tm)
{
    try
    {
        switch (tm->id)
        {
        case tmStarted:
            out_EngineRunning_S = true;
            out_ReadyForLoading_S = true;
            startTimer(tmVoltageRamp, rampTickMs, -1);
            out_DG_U_S = firstVoltage;
            out_diesel_state_as = mON;
            out_generator_state_as = mTRANSITIVE;
            out_sees_state_as = underWay();
            break;

        case tmStopped:
            out_ReadyForLoading_S = false;
            out_EngineRunning_S = false;
            out_DG_U_S = 0;
            setQG(false);
            // The stopped set shows its breaker open and gives no power.
            out_qg_state_as = settledBreakerState();
            out_P_as = 0;
            out_diesel_state_as = mOFF;
            out_generator_state_as = mOFF;
            out_sees_state_as = settledStationState();
            say(": *** diesel stopped.");
            break;

        case tmQGClosed:
            cancelTimer(tmQGClosed);
            // The trip cancels this timer, but its expiry may already wait in the queue
            // behind the trip's message; the trip has opened the breaker and says so.
            if (closeBlocked())
                break;
            say(": *** QG On...");
            setQG(true);
            out_sees_state_as = mON;
            out_qg_state_as = mON;
            break;

        case tmQGOpened:
            cancelTimer(tmQGOpened);
            say(": *** QG Off...");
            setQG(false);
            out_qg_state_as = settledBreakerState();
            // An open breaker carries no load.
            out_P_as = 0;
            out_sees_state_as = settledStationState();
            break;

        case tmDischarged:
            say(": *** разгрузка ok...");
            out_Overload20_S = true;
            out_Overload95_S = false;
            startTimer(tmOverload20Off, overload20OffMs, -1);
            break;

        case tmOverload20Off:
            out_Overload20_S = false;
            break;

        case tmVoltageRamp:
            voltageRampStep();
            break;

        default:
            break;
        }
    }
    catch (const Exception& ex)
    {
        Ravna::dlog.crit() << getName() << "(timerInfo): " << ex << std::endl;
    }
}

void Mendra::voltageRampStep()
{
    if (!out_EngineRunning_S)
    {
        out_DG_U_S = 0;
        out_P_as = 0;
        out_generator_state_as = mOFF;
        return;
    }
    // Greater than, not at least: from 1 in steps of 20 the ramp shows 381 for one tick.
    if (out_DG_U_S > ratedVoltage)
    {
        out_DG_U_S = ratedVoltage;
        cancelTimer(tmVoltageRamp);
        out_generator_state_as = mON;
        out_sees_state_as = settledStationState();
    }
    else
        out_DG_U_S += voltageStep;
    say(": *** out_DG_U_S=" + std::to_string(out_DG_U_S.load()));
}
