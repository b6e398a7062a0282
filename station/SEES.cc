#include "SEES.h"

#include <cmath>
#include <cstdlib>
#include <iostream>

#include "Clock.h"
#include "Configuration.h"
#include "Exceptions.h"
#include "Ravna.h"
#include "Retry.h"
#include "Saturate.h"
#include "SEESMode.h"
#include "SEESSleepMode.h"
#include "SEESWaitingMode.h"
#include "StationState.h"

using namespace UniSetTypes;
using UniversalIO::UIONotify;

DebugStream SEES::dlog(Debug::NONE);

void SEES::initLog(const DebugStream& log)
{
    static bool initialised = false;
    Ravna::initClassLog(dlog, initialised, log);
}

// --- construction

SEES::SEES(int groupNum, const std::string& name, SEESOwner* own, xmlNode* cnode)
    : SEES_SK(conf->getObjectID(name), cnode), a2d(cnode)
{
    const std::string& myname = getName();
    if (!own)
        throw Exception(myname + ": init FAILED! no owner to report to");

    readSettings();
    owner = own;
    myPostID = conf->getObjectID(getConfProp("myPostID"));
    this->groupNum = groupNum;
    power_as = conf->getSensorID(getConfProp("power_as"));
    voltage_as = conf->getSensorID(getConfProp("voltage_as"));
    frequency_as = conf->getSensorID(getConfProp("frequency_as"));
    attemptCount = getConfIntProp("attemptCount");

    checkSettings();

    num = getConfIntProp("num");
    if (num <= 0)
        throw Exception(myname + ": init num FAILED! (num=0)");

    // Created before the checks below: a failure there destroys them with the station.
    qg = createMonitor<QG>("QG");
    diesel = createMonitor<Diesel>("Diesel");
    generator = createMonitor<Generator>("Generator");

    power = getConfIntProp("power");
    if (power < 0)
        throw Exception(myname + ": init power < 0 ?? !!!");
    float kmax = std::strtof(getConfProp("kmax").c_str(), nullptr);
    if (!(kmax > 0))
        kmax = 1.0f;
    maxPower = static_cast<int>(std::lroundf(static_cast<float>(power) * kmax));

    if (ReservCount < 0)
    {
        dlog.crit() << myname << ": ReservCount < 0 !!!! INIT FAILED!!!" << std::endl;
        throw Exception(myname + ": ReservCount < 0 !!!! INIT FAILED");
    }

    const Configuration& c = *conf;
    unbalanceTimer.setTiming(c.getArgPInt("--ses-unbalance-timeout", getConfProp("timeoutUnbalance"), 1000));
    pingTimer.setTiming(c.getArgPInt("--ses-ping-msec", getConfProp("ping_msec"), 5000));
    commandTimerStart = uniset::clock().nowMs();
    analogTimer.setTiming(c.getArgPInt("--ses-analog-msec", getConfProp("analog_msec"), 500));

    // Entered by the start-up message, not here.
    mode = SEESSleepMode::Instance();
    out_ControlMode_f = 0;
    buildTriggers();
    out_NotAlone_C = false;
}

SEES::SEES() : SEES_SK(), a2d(nullptr) {}

SEES::~SEES()
{
    qg.reset();
    diesel.reset();
    generator.reset();
    timerTrigger.reset();
    messageTrigger.reset();
    commandTrigger.reset();
}

int SEES::getConfIntProp(const std::string& name) const { return conf->getIntProp(confNode, name); }

std::string SEES::getConfProp(const std::string& name) const { return conf->getProp(confNode, name); }

void SEES::readSettings()
{
    OnTime = getConfIntProp("OnTime");
    QGOnTime = getConfIntProp("QGOnTime");
    QGOffTime = getConfIntProp("QGOffTime");
    RunTime = getConfIntProp("RunTime");
    OffTime = getConfIntProp("OffTime");
    AcceptWaitingTime = getConfIntProp("AcceptWaitingTime");
    AcceptControlTime = getConfIntProp("AcceptControlTime");
    Load20Time = getConfIntProp("Load20Time");
    CommandPause = getConfIntProp("CommandPause");
    ReservCount = getConfIntProp("ReservCount");
    askTimeout = getConfIntProp("askTimeout");
    filterPause = getConfIntProp("filterPause");
    protectionPause = getConfIntProp("protectionPause");
    initPause = getConfIntProp("initPause");
    coolingTime = getConfIntProp("coolingTime");
    NoPowerTime = getConfIntProp("NoPowerTime");
    BlockedRunTime = getConfIntProp("BlockedRunTime");
    DGProtectionStopTime = getConfIntProp("DGProtectionStopTime");
    DGProtectionCheckTime = getConfIntProp("DGProtectionCheckTime");
    modeTime = getConfIntProp("modeTime");
    updateStateTime = getConfIntProp("updateStateTime");
    resetPause = getConfIntProp("resetPause");
    initAttempts = getConfIntProp("initAttempts");
}

void SEES::checkSettings()
{
    const std::string& myname = getName();
    for (auto [attribute, id] : {std::pair<const char*, ObjectId>{"power_as", power_as},
                                 {"voltage_as", voltage_as},
                                 {"frequency_as", frequency_as}})
    {
        if (id != DefaultObjectId)
            continue;
        dlog.crit() << myname << ": init " << attribute << ": sensor ID not found!(" << getConfProp(attribute) << ")"
                    << std::endl;
        throw Exception(myname + ": init " + attribute + ": sensor ID not found!");
    }

    if (resetPause <= 0)
        resetPause = 1500;
    if (initAttempts <= 0)
        initAttempts = 3;
    if (BlockedRunTime <= 0)
        BlockedRunTime = 5000;

    // The node's askPause is the skeleton's too; the station only insists that it is set.
    // A Load20Time of 0 would switch the low-load filter off: it is refused like any other time.
    Ravna::requirePositiveTimes(myname,
                                {{"OnTime", OnTime},
                                 {"OffTime", OffTime},
                                 {"RunTime", RunTime},
                                 {"AcceptWaitingTime", AcceptWaitingTime},
                                 {"AcceptControlTime", AcceptControlTime},
                                 {"CmdPause", CommandPause},
                                 {"Load20Time", Load20Time},
                                 {"askTimeout", askTimeout},
                                 {"askPause", getConfIntProp("askPause")},
                                 {"filterPause", filterPause},
                                 {"protectionPause", protectionPause},
                                 {"initPause", initPause},
                                 {"NoPowerTime", NoPowerTime},
                                 {"modeTime", modeTime},
                                 {"coolingTime", coolingTime}},
                                dlog);

    if (myPostID == DefaultObjectId)
        throw Exception(myname + ": unknown object ID for myPostID --> " + getConfProp("myPostID"));
}

template <class Monitor>
std::unique_ptr<Monitor> SEES::createMonitor(const std::string& attribute)
{
    const std::string name = getConfProp(attribute);
    xmlNode* node = conf->getNode(name);
    if (!node)
        throw Exception(getName() + ": FAILED! " + name + " not found in conf!");
    try
    {
        Monitor::initLog(dlog);
        return std::make_unique<Monitor>(num, name, this, node);
    }
    catch (const Exception& ex)
    {
        dlog.crit() << getName() << "(create " << name << "): " << ex << std::endl;
        throw;
    }
}

void SEES::buildTriggers()
{
    // Adding reports each key once with 0: the timers are cancelled, the command
    // outputs written off and the messages' hold time restarted.
    timerTrigger = std::make_unique<ExclusiveTrigger<SEES, int, int>>(this, &SEES::setTimer);
    for (int id : {tmNone, tmOff, tmRun, tmQG, tmCooling})
        timerTrigger->add(id);

    commandTrigger = std::make_unique<ExclusiveTrigger<SEES, ObjectId, bool>>(this, &SEES::setOut);
    for (ObjectId id : {DG_Start_C, DG_Stop_C, QG_On_C, QG_Off_C})
        commandTrigger->add(id);

    messageTrigger = std::make_unique<ExclusiveTrigger<SEES_SK, ObjectId, bool>>(this, &SEES_SK::setMsg);
#define SEES_MESSAGE_ADD(name) messageTrigger->add(name);
    SEES_SK_LIST(RAVNA_SK_SKIP, RAVNA_SK_SKIP, SEES_MESSAGE_ADD, RAVNA_SK_SKIP)
#undef SEES_MESSAGE_ADD
}

// --- events

void SEES::processingMessage(VoidMessage* msg)
{
    if (msg->type == SEESMessage::MessageTypeID)
    {
        const SEESMessage m(msg);
        seesInfo(&m);
        return;
    }
    SEES_SK::processingMessage(msg);
}

void SEES::seesInfo(const SEESMessage* m)
{
    try
    {
        mode.load()->seesInfo(m, this);
    }
    catch (const Exception& ex)
    {
        dlog.crit() << getName() << "(seesInfo): " << ex << std::endl;
    }
}

void SEES::sysCommand(const SystemMessage* sm)
{
    SEES_SK::sysCommand(sm);
    if (terminating())
        return;
    // The initial mode is entered here, once the station has read its inputs.
    if (sm->command == SystemMessage::StartUp)
        mode.load()->activate(this);
    mode.load()->sysCommand(sm, this);
}

void SEES::askSensors(UniversalIO::UIOCommand cmd) { a2d.askSensors(&ui, cmd); }

void SEES::sensorInfo(const SensorMessage* sm)
{
    try
    {
        a2d.sensorInfo(&ui, sm);
        const ObjectId sid = sm->id;
        if (sid == Reset_s)
        {
            out_Reset_C = sm->state;
            setdata(true);
        }
        else if (sid == CtlMode_Auto_s || sid == DG_RemoteControl_s || sid == QG_RemoteControl_s)
        {
            checkUnbalance();
            return;
        }
        else if (sid == Priority_s)
        {
            report(SEESMessage::PriorityChange, 0);
            return;
        }
        else if (sid == CtlMode_f)
        {
            checkControlValue(sm->value);
            updateNeedReservCommand();
        }
        else if (sid == Leader_f || sid == ForceOn_S || sid == ForceOff_S || sid == QG_On_s || sid == QG_Off_s ||
                 sid == Overload95_S || sid == Overload105_S || sid == Warning_S || sid == Overload20_S)
            // The demand follows its inputs in every mode: a set in protection made
            // the leader asks at once, whatever its mode does with the flag.
            updateNeedReservCommand();

        mode.load()->sensorInfo(sm, this);
    }
    catch (const Exception& ex)
    {
        dlog.crit() << getName() << "(sensorInfo): " << ex << std::endl;
    }
}

void SEES::timerInfo(const TimerMessage* tm)
{
    // A one-shot timer of the trigger that has fired is asked no more: the trigger
    // must not believe it runs, or asking the same time again would ask nothing.
    auto it = timerTrigger->values.find(tm->id);
    if (it != timerTrigger->values.end() && it->second != 0 && getTimeInterval(tm->id) == 0)
        it->second = 0;
    try
    {
        mode.load()->timerInfo(tm, this);
    }
    catch (const Exception& ex)
    {
        dlog.crit() << getName() << "(timerInfo): " << ex << std::endl;
    }
}

void SEES::messagesCleared()
{
    // The hold time has reset every message: none counts as raised any more.
    for (auto& entry : messageTrigger->values)
        entry.second = false;
}

void SEES::step()
{
    if (unbalance)
        checkUnbalance();

    try
    {
        mode.load()->step(this);
    }
    catch (const Exception& ex)
    {
        dlog.crit() << getName() << "(step): " << ex << std::endl;
    }

    out_Reserv_f = in_CtlMode_f == 3 && !in_Leader_f;
    out_Reset_C = in_Reset_s.load();
    out_NoPower_C = in_NoPower_S.load();

    if (pingTimer.checkTime())
    {
        out_Ping_C = !out_Ping_C;
        pingTimer.reset();
    }

    if (analogTimer.checkTime())
    {
        readMeasurement(power_as, curP);
        readMeasurement(voltage_as, curU);
        readMeasurement(frequency_as, curF);
        // Widened first: an absurd reading must not wrap the spare power round to the other sign.
        reservPower = Ravna::saturate<int>(static_cast<int64_t>(maxPower) - curP.load());
        analogTimer.reset();
    }
}

void SEES::checkControlValue(long value)
{
    // The modes take such a value as control off; the sleep mode's re-ask brings it back
    // again and again, so it is told once for each change into it.
    if (SEESMode::noSuchControlValue(value) && value != lastControlValue)
        dlog.crit() << getName() << ": CtlMode_f=" << value << " (" << getConfProp("CtlMode_f")
                    << "): no such control value, control off" << std::endl;
    lastControlValue = value;
}

void SEES::readMeasurement(ObjectId id, std::atomic<int>& into)
{
    // A failed read is no measurement: counting it as 0 would offer the whole set as spare.
    try
    {
        into = Ravna::saturate<int>(ui.getValue(id));
    }
    catch (const Exception& ex)
    {
        dlog.crit() << getName() << "(seesInfo): " << ex << std::endl;
    }
}

void SEES::sigterm(int signo)
{
    try
    {
        timerTrigger->resetAll();
        commandTrigger->resetAll();
        out_lmpDG_ON_c = 0;
        out_lmpDG_OFF_c = 0;
        out_lmpQG_ON_c = 0;
        out_lmpQG_OFF_c = 0;
        out_Protection_BS = false;
        out_ControlMode_f = 1;
        out_postID = 0;
        setdata(true);
    }
    catch (const Exception& ex)
    {
        dlog.crit() << getName() << "(sigterm): " << ex << std::endl;
    }
    catch (...)
    {
    }
    SEES_SK::sigterm(signo);
}

// --- mode switching and the station's own computations

void SEES::changeMode(SEESMode* next)
{
    SEESMode* old = mode.load();
    try
    {
        mode = next;
        if (!SEESWaitingMode::is(next))
            prevCommand = command;
        if (old)
            old->deactivate(this);
        try
        {
            updateNeedReservCommand();
        }
        catch (...)
        {
        }
        next->activate(this);
    }
    catch (const Exception& ex)
    {
        dlog.crit() << getName() << "(changeMode): не удалось сменить режим: " << ex << std::endl;
        mode = old;
        if (old && !restoring)
        {
            restoring = true;
            try
            {
                old->activate(this);
            }
            catch (...)
            {
                restoring = false;
                throw;
            }
            restoring = false;
        }
    }
}

void SEES::setControlMode(int value)
{
    uniset_mutex_lock lock(controlModeMutex, 300);
    controlMode = value;
}

void SEES::resetCommandTimer()
{
    uniset_mutex_lock lock(commandMutex, 200);
    commandTimerStart = uniset::clock().nowMs();
}

bool SEES::commandTimerExpired() const { return uniset::clock().nowMs() - commandTimerStart.load() >= modeTime; }

void SEES::updateNeedReservCommand()
{
    uniset_mutex_lock lock(reservMutex, 200);
    const bool oldOn = reservOnNeeded;
    const bool oldOff = reservOffNeeded;
    bool on = false;
    bool off = false;
    if (in_CtlMode_f == 3 && in_Leader_f)
    {
        bool qgOn = false;
        try
        {
            qgOn = qg->isNotOff();
        }
        catch (const Exception&)
        {
            return;
        }
        on = qgOn && (in_Overload95_S || in_Overload105_S || in_Warning_S || requiredReserv || in_ForceOn_S);
        if (!on)
            on = protection;
        off = qgOn && (in_ForceOff_S || (in_Overload20_S && load20State == 2 && !on));
    }
    reservOnNeeded = on;
    reservOffNeeded = off;

    if (off != oldOff)
        report(SEESMessage::NeedOffReserv, off);
    if (on != oldOn)
        report(SEESMessage::NeedOnReserv, on);
    if (on != oldOn || off != oldOff)
        dlog[Debug::LEVEL4] << *this << "(updateNeedReservCommand):"
                            << " needReservOn=" << on << " needReservOff=" << off << std::endl;
}

void SEES::setProtection(bool on)
{
    {
        uniset_mutex_lock lock(protectionMutex, 500);
        protection = on;
        updateNeedReservCommand();
    }
    out_Protection_BS = on;
}

void SEES::checkUnbalance()
{
    const bool d = in_DG_RemoteControl_s;
    const bool q = in_QG_RemoteControl_s;
    const bool a = in_CtlMode_Auto_s;

    unbalance = false;
    out_CtlMode_QG_bs = q ? 0 : 1;
    if ((d && !a) || (d && a && q) || (!d && !a))
    {
        out_ControlMode_f = !d ? 1 : (a ? 3 : 2);
        unbalanceTimerOn = false;
        return;
    }

    // Switches that disagree are tolerated for a while: one of them may be moving.
    unbalance = true;
    if (!unbalanceTimerOn)
    {
        unbalanceTimerOn = true;
        std::cout << "**** unbalance reset timer...." << std::endl;
        unbalanceTimer.reset();
        return;
    }
    const bool expired = unbalanceTimer.checkTime();
    if (expired == unbalanceTimerState)
        return;
    unbalanceTimerState = expired;
    if (!expired)
        return;
    std::cout << "**** unbalance TIMER...." << std::endl;
    out_ControlMode_f = 0;
    dlog.info() << getName() << ": UNBALANCE CONTROL! "
                << " in_DG_RemoteControl_s=" << d << " in_QG_RemoteControl_s=" << q << " in_CtlMode_Auto_s=" << a
                << std::endl;
}

// --- outputs

void SEES::setTimer(int id, int msec) { askTimer(id, msec, 1, Message::High); }

void SEES::setOut(ObjectId out, bool state)
{
    try
    {
        setBoolState(out, state);
    }
    catch (const Exception& ex)
    {
        dlog.crit() << getName() << "(setOut): " << ex << std::endl;
    }
}

bool SEES::setLamp(ObjectId lamp, long value)
{
    // The pause is the object's own, which a terminate cuts short.
    return Ravna::retryWrite(3, 0, [&] { setState(lamp, value); },
                             [&](const Exception& ex) {
                                 dlog.crit() << getName() << "(setLamp): " << ex << std::endl;
                                 pause(100);
                             });
}

void SEES::setLamps(std::initializer_list<std::pair<ObjectId, long>> lamps)
{
    for (const auto& [lamp, value] : lamps)
        setLamp(lamp, value);
}

void SEES::report(SEESMessage::Event event, int state)
{
    SEESMessage msg(event, state);
    msg.ses = num;
    msg.group = groupNum;
    owner->pushReport(msg.transport());
}

void SEES::askAgain(std::initializer_list<ObjectId> sensors)
{
    for (ObjectId sid : sensors)
        askInputOnNode(sid, UIONotify, conf->getLocalNode());
}

bool SEES::askQGLeave(bool on)
{
    qgLeaveAsked = true;
    return owner->acceptQG(num, on);
}

void SEES::releaseQGLeave()
{
    // A station that never asked holds nothing to give back.
    if (!qgLeaveAsked)
        return;
    owner->releaseQG(num);
    qgLeaveAsked = false;
}

// --- the supervision's queries and commands

bool SEES::isOn() { return in_state_as == mON; }

bool SEES::isOff() { return in_state_as == mOFF; }

long SEES::getPriority() { return in_Priority_s; }

bool SEES::isAutoMode() { return in_CtlMode_f == 3; }

bool SEES::isLeader() { return in_CtlMode_f == 3 && in_Leader_f; }

bool SEES::isReserv() { return in_CtlMode_f == 3 && !in_Leader_f; }

long SEES::getF() { return qg->getOnState() ? curF.load() : 0; }

long SEES::getU() { return qg->getOnState() ? curU.load() : 0; }

long SEES::getP() { return qg->getOnState() ? curP.load() : 0; }

int SEES::getControlMode()
{
    uniset_mutex_lock lock(controlModeMutex, 200);
    return controlMode;
}

bool SEES::needReservOn()
{
    uniset_mutex_lock lock(reservMutex, 250);
    return reservOnNeeded;
}

bool SEES::needReservOff()
{
    uniset_mutex_lock lock(reservMutex, 250);
    return reservOffNeeded;
}

bool SEES::isProtection()
{
    uniset_mutex_lock lock(protectionMutex, 1000);
    return protection;
}

int SEES::getReservPower() { return !isProtection() && in_state_as == mON ? reservPower.load() : 0; }

bool SEES::canReservStart()
{
    uniset_mutex_lock lock(commandMutex, 200);
    return !isProtection() && getControlMode() == 3 && !in_Leader_f && in_state_as != mON;
}

bool SEES::canReservStop()
{
    uniset_mutex_lock lock(commandMutex, 200);
    return !isProtection() && getControlMode() == 3 && !in_Leader_f && in_state_as == mON;
}

bool SEES::commandExpired(int first, int second)
{
    uniset_mutex_lock lock(commandMutex, 300);
    if (mode.load()->getModeID() != modeAutoWaiting)
        return false;
    if (!commandTimerExpired())
        return false;
    const int cmd = command;
    return cmd == first || cmd == second;
}

bool SEES::isOffCommandExpired() { return commandExpired(cmdQGOff, cmdStop); }

bool SEES::isOnCommandExpired() { return commandExpired(cmdRun, cmdQGOn); }

void SEES::setAlone(bool alone) { out_NotAlone_C = !alone; }

void SEES::resetReservCommands()
{
    ui.saveState(cmd_OnReserv_f, false, UniversalIO::DigitalInput, getId());
    ui.saveState(cmd_OffReserv_f, false, UniversalIO::DigitalInput, getId());
}

void SEES::commandReservOn()
{
    ui.saveState(cmd_OffReserv_f, false, UniversalIO::DigitalInput, getId());
    ui.saveState(cmd_OnReserv_f, true, UniversalIO::DigitalInput, getId());
}

void SEES::commandReservOff()
{
    ui.saveState(cmd_OnReserv_f, false, UniversalIO::DigitalInput, getId());
    ui.saveState(cmd_OffReserv_f, true, UniversalIO::DigitalInput, getId());
}

void SEES::setReserv(bool leader)
{
    Ravna::retryWrite(3, 0, [&] { ui.saveState(Leader_f, leader, UniversalIO::DigitalInput, getId()); },
                      [&](const Exception& ex) { dlog.crit() << getName() << "(setReserv): " << ex << std::endl; });
}

void SEES::setRequiredReserv(bool required)
{
    requiredReserv = required;
    updateNeedReservCommand();
}

std::ostream& operator<<(std::ostream& os, const SEES& s)
{
    const SEESMode* m = s.currentMode();
    if (!m)
        return os << s.getName() << "(UNKNOWN mode)";
    return os << s.getName() << "(" << m->getName() << ")";
}

std::ostream& operator<<(std::ostream& os, const SEES* s) { return os << *s; }
