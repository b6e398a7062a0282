#include "GRSHImitator.h"

#include <algorithm>

#include "Configuration.h"
#include "Exceptions.h"
#include "Ravna.h"
#include "SimulatorConsole.h"
#include "StationState.h"
#include "UniXML.h"

using namespace UniSetTypes;
using simulator::flag;

GRSHImitator::GRSHImitator(const std::string& name, xmlNode* cnode)
    : GRSHImitator_SK(conf->getObjectID(name), cnode)
{
    UniXML_iterator it(cnode);
    if (!it.goChildren())
        throw Exception("not found qglist for " + name);

    qgTrigger = std::make_unique<OrTrigger<GRSHImitator>>(this, &GRSHImitator::setNoPower);
    for (; it.valid(); it.goNext())
    {
        const std::string sensor = it.getProp("name");
        const ObjectId sid = conf->getSensorID(sensor);
        if (sid == DefaultObjectId)
        {
            Ravna::dlog.crit() << getName() << ": not found ID for " << sensor << std::endl;
            throw Exception(getName() + " init error");
        }
        qgTrigger->add(sid);
    }

    setQC(false);
    out_QC_NA_S = false;
}

GRSHImitator::GRSHImitator() : GRSHImitator_SK() {}

GRSHImitator::~GRSHImitator() = default;

void GRSHImitator::say(const std::string& text) const { simulator::printLine(getName() + text); }

void GRSHImitator::setNoPower(bool anyOn) { out_GRSH_NoPower_s = !anyOn; }

void GRSHImitator::sigterm(int signo)
{
    out_GRSH_NoPower_s = true;
    try
    {
        setdata(true);
    }
    catch (const Exception&)
    {
        // setdata has logged it; the loop must stop all the same.
    }
    // Stopped after the write, so that no later pass puts the breaker outputs back.
    GRSHImitator_SK::sigterm(signo);
}

void GRSHImitator::askSensors(UniversalIO::UIOCommand cmd)
{
    for (const auto& [sid, on] : qgTrigger->inputs)
    {
        try
        {
            ui.askState(sid, cmd, DefaultObjectId);
        }
        catch (const Exception& ex)
        {
            Ravna::dlog.crit() << getName() << "(askSensors):  " << ex << std::endl;
        }
    }
}

void GRSHImitator::step()
{
    setQC(qcClosed);
    out_QC_NA_S = false;
}

void GRSHImitator::setQC(bool closed)
{
    qcClosed = closed;
    out_QC_On_S = closed;
    out_QC_Off_S = !closed;
}

void GRSHImitator::closeQCAfter(long msec)
{
    askTimer(tmQCOpened, 0, 1, Message::High);
    askTimer(tmQCClosed, msec, 1, Message::High);
}

void GRSHImitator::openQCAfter(long msec)
{
    askTimer(tmQCClosed, 0, 1, Message::High);
    askTimer(tmQCOpened, msec, 1, Message::High);
}

void GRSHImitator::sensorInfo(const SensorMessage* sm)
{
    const ObjectId sid = sm->id;
    const bool state = sm->state;

    // A supply signal may be one of the inputs below as well.
    qgTrigger->commit(sid, state);

    if (sid == QC_Protection_S)
    {
        if (state)
        {
            qcClosed = false;
            // Nor may a close already under way bring QC in against its protection.
            askTimer(tmQCClosed, 0, 1, Message::High);
        }
    }
    else if (sid == QC_On_C || sid == QC_SyncOn_C)
    {
        const bool sync = sid == QC_SyncOn_C;
        say((sync ? ": QC_SyncOn_C=" : ": QC_On_C=") + flag(state));
        if (state && !in_QC_Protection_S)
            closeQCAfter(sync ? 2000 : 500);
    }
    else if (sid == QC_Off_C)
    {
        say(": QC_Off_C=" + flag(state));
        if (state)
            openQCAfter(500);
    }
    else if (sid == ImitatorCmd_s)
    {
        if (sm->value == cmdQCOn && !in_QC_Protection_S)
        {
            say(": imitator command cmd_QC_ON..");
            closeQCAfter(500);
        }
        else if (sm->value == cmdQCOff)
        {
            say(": imitator command cmd_QC_OFF..");
            openQCAfter(500);
        }
    }
    else if (sid == QG1_State_as || sid == QG2_State_as || sid == QG3_State_as || sid == QG4_State_as)
        countClosedBreakers(sid, sm->value);
}

void GRSHImitator::countClosedBreakers(ObjectId sid, long code)
{
    // Counted from each breaker's last position, so that a trip reported as 2 and then 0,
    // or a repeated 1, counts once. A breaker on its way (4) or undefined (10) stays where it was.
    if (code != mOFF && code != mON && code != mPROTECTION)
        return;
    qgStates[sid] = code;
    out_QG_count_as = std::count_if(qgStates.begin(), qgStates.end(),
                                    [](const auto& entry) { return entry.second == mON; });
}

void GRSHImitator::timerInfo(const TimerMessage* tm)
{
    try
    {
        switch (tm->id)
        {
        case tmQCClosed:
            askTimer(tmQCClosed, 0, 1, Message::High);
            say(": *** QC On...");
            setQC(true);
            break;

        case tmQCOpened:
            askTimer(tmQCOpened, 0, 1, Message::High);
            say(": *** QC Off...");
            setQC(false);
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
