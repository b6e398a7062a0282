#include "Breaker.h"

#include <iostream>
#include <sstream>

#include "Automat.h"
#include "BreakerMode.h"
#include "BreakerSleepMode.h"
#include "BreakerWaitingMode.h"
#include "Configuration.h"
#include "Exceptions.h"
#include "QC.h"
#include "Ravna.h"

using namespace UniSetTypes;

template <class Self, class SK>
DebugStream Breaker<Self, SK>::dlog;

template <class Self, class SK>
void Breaker<Self, SK>::initLog(const DebugStream& d)
{
    static bool initialised = false;
    Ravna::initClassLog(dlog, initialised, d);
}

template <class Self, class SK>
Breaker<Self, SK>::~Breaker() = default;

template <class Self, class SK>
void Breaker<Self, SK>::requirePositive(std::initializer_list<std::pair<const char*, int>> settings) const
{
    Ravna::requirePositiveTimes(objectName(), settings, dlog);
}

template <class Self, class SK>
void Breaker<Self, SK>::start(ObjectsManager* own, std::initializer_list<ObjectId> outputs,
                              std::initializer_list<ObjectId> messages, int naTime)
{
    if (!own)
        throw Exception(objectName() + ": init FAILED! no owner to report to");

    // A negative hold would never run out and an undefined position would never trip.
    naTimer.setTiming(naTime > 0 ? naTime : 0);

    owner = own;
    owner->addObject(this);

    outTrigger = std::make_unique<ExclusiveTrigger<Breaker, ObjectId, bool>>(this, &Breaker::setOut);
    for (ObjectId id : outputs)
        outTrigger->add(id);

    timerTrigger = std::make_unique<ExclusiveTrigger<Breaker, Timers, int>>(this, &Breaker::setTimer);
    timerTrigger->add(tmOn);
    timerTrigger->add(tmOff);

    protectionTrigger = std::make_unique<OrTrigger<Breaker>>(this, &Breaker::setProtection);
    protectionTrigger->add(this->Protection_s);
    protectionTrigger->add(self()->naSensor());

    msgTrigger = std::make_unique<ExclusiveTrigger<SK, ObjectId, bool>>(this, &SK::setMsg);
    for (ObjectId id : messages)
        msgTrigger->add(id);

    mode = BreakerSleepMode<Self>::Instance();
}

template <class Self, class SK>
void Breaker<Self, SK>::pushCommand(AutomatMessage::CommandCode code)
{
    AutomatMessage msg(AutomatMessage::kCommand, code, this->getId(), Message::Medium);
    this->push(msg.transport());
}

template <class Self, class SK>
bool Breaker<Self, SK>::getState() const
{
    const bool on = this->in_State_On_s.load();
    const bool off = this->in_State_Off_s.load();
    if (on && !off)
        return true;
    if (!on && off)
        return false;

    std::ostringstream line;
    line << objectName() << "(getState): неопределённое состояние... " << Self::onLabel << on << Self::offLabel
         << off << "\n";
    std::cerr << line.str() << std::flush;
    throw TimeOut(objectName() + "(getState): неопределённое состояние автомата");
}

template <class Self, class SK>
bool Breaker<Self, SK>::getStateChecked() const
{
    if (BreakerWaitingMode<Self>::is(mode.load()))
        throw TimeOut(objectName() + "(getState): неопределённое состояние автомата (переходный процесс)");
    return getState();
}

template <class Self, class SK>
std::string Breaker<Self, SK>::getName() const
{
    const Mode* m = mode.load();
    return objectName() + "(" + (m ? m->getName() : std::string("???Mode")) + ")";
}

template <class Self, class SK>
void Breaker<Self, SK>::changeMode(Mode* next)
{
    Mode* old = mode.load();
    try
    {
        mode = next;
        if (!BreakerWaitingMode<Self>::is(next))
            prevCmd = cmd;
        if (old)
            old->deactivate(self());
        // A mode that could not be entered (Sleep that could not ask the inputs) is
        // left as one that threw: it would not hear the breaker.
        if (!next->activate(self()))
            throw Exception(next->getName() + "(activate): the mode could not be entered");
    }
    catch (const Exception& ex)
    {
        dlog.crit() << objectName() << "(changeMode): не удалось сменить режим!!! " << ex << std::endl;
        mode = old;
        if (old && !restoring)
        {
            restoring = true;
            try
            {
                old->activate(self());
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

template <class Self, class SK>
bool Breaker<Self, SK>::checkNA(bool commit)
{
    const bool na = this->in_State_On_s.load() == this->in_State_Off_s.load();
    self()->naFlag() = na;
    if (commit)
        protectionTrigger->commit(self()->naSensor(), na);
    return na;
}

template <class Self, class SK>
void Breaker<Self, SK>::automatCommand(const AutomatMessage* msg)
{
    if (msg->kind != AutomatMessage::kCommand)
    {
        dlog.crit() << objectName() << "(automatCommand): пришло сообщение не содержащее команду!!!" << std::endl;
        return;
    }
    if (msg->code == AutomatMessage::cmdReset)
    {
        // The reset is judged on the present inputs, not on what the trigger last heard.
        protectionTrigger->commit(this->Protection_s, this->in_Protection_s);
        checkNA(true);
        setProtection(protectionTrigger->output);
    }
    mode.load()->automatCommand(msg, self());
}

template <class Self, class SK>
void Breaker<Self, SK>::setOut(ObjectId sid, bool state)
{
    dlog.info() << objectName() << "(setOut): sid=" << sid << " state=" << state << std::endl;
    try
    {
        this->setBoolState(sid, state);
    }
    catch (const Exception& ex)
    {
        dlog.crit() << objectName() << "(setOut): " << ex << std::endl;
    }
}

template <class Self, class SK>
void Breaker<Self, SK>::setTimer(Timers tid, int timeMS)
{
    dlog.info() << objectName() << "(setTimer): ask tid=" << tid << " time=" << timeMS << " msec" << std::endl;
    this->askTimer(tid, timeMS, 1, Message::High);
}

template <class Self, class SK>
void Breaker<Self, SK>::setProtection(bool state)
{
    dlog.info() << *this << "(setProtection): protection=" << state << std::endl;
    protection = state;
}

template <class Self, class SK>
void Breaker<Self, SK>::report(AutomatMessage::Kind kind, int code, Message::Priority prio)
{
    AutomatMessage msg(kind, code, this->getId(), prio);
    owner->push(msg.transport());
}

template <class Self, class SK>
void Breaker<Self, SK>::settle()
{
    if (self()->stateTimeOut <= 0)
        return;
    pause(self()->stateTimeOut);
    this->getdata();
}

template <class Self, class SK>
void Breaker<Self, SK>::askInputs()
{
    const ObjectId local = conf->getLocalNode();
    this->askInputOnNode(this->Protection_s, UniversalIO::UIONotify, local);
    this->askInputOnNode(this->State_On_s, UniversalIO::UIONotify, local);
    this->askInputOnNode(this->State_Off_s, UniversalIO::UIONotify, local);
}

template <class Self, class SK>
bool Breaker<Self, SK>::isPositionChange(const SensorMessage* sm) const
{
    return sm->id == this->State_On_s || sm->id == this->State_Off_s;
}

template <class Self, class SK>
bool Breaker<Self, SK>::isProtectionTrip(const SensorMessage* sm) const
{
    return sm->id == this->Protection_s && sm->state;
}

template <class Self, class SK>
void Breaker<Self, SK>::processingMessage(VoidMessage* msg)
{
    try
    {
        if (msg->type == AutomatMessage::MessageTypeID)
        {
            const AutomatMessage am(msg);
            automatCommand(&am);
        }
        else
            SK::processingMessage(msg);
    }
    catch (const Exception& ex)
    {
        dlog.crit() << objectName() << "(processingMessage): " << ex << std::endl;
    }
}

// The runtime runs sigterm between two passes of the loop, never inside one, so the
// triggers are ours here; each command output is written off once, and no pass
// writes anything after it.
template <class Self, class SK>
void Breaker<Self, SK>::sigterm(int signo)
{
    try
    {
        // A second terminate finds the loop stopped and the outputs already off.
        if (outTrigger && this->active)
            outTrigger->resetAll();
    }
    catch (const Exception& ex)
    {
        dlog.crit() << objectName() << "(sigterm): " << ex << std::endl;
    }
    catch (...)
    {
    }
    SK::sigterm(signo);
}

template <class Self, class SK>
void Breaker<Self, SK>::sysCommand(const SystemMessage* sm)
{
    SK::sysCommand(sm);
    if (sm->command == SystemMessage::StartUp)
        mode.load()->activate(self());
    mode.load()->sysCommand(sm, self());
}

template <class Self, class SK>
void Breaker<Self, SK>::sensorInfo(const SensorMessage* sm)
{
    if (sm->id == this->Protection_s)
        protectionTrigger->commit(this->Protection_s, sm->state);
    mode.load()->sensorInfo(sm, self());
}

template <class Self, class SK>
void Breaker<Self, SK>::timerInfo(const TimerMessage* tm)
{
    mode.load()->timerInfo(tm, self());
}

template <class Self, class SK>
void Breaker<Self, SK>::step()
{
    mode.load()->step(self());
}

template class Breaker<Automat, Automat_SK>;
template class Breaker<QC, QC_SK>;
