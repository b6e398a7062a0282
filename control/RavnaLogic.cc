#include "RavnaLogic.h"

#include "Configuration.h"
#include "Exceptions.h"
#include "LoggedLock.h"
#include "QCModes.h"
#include "Ravna.h"

using namespace UniSetTypes;
using Ravna::LoggedLock;

DebugStream RavnaLogic::dlog;

void RavnaLogic::initLog(const DebugStream& log)
{
    static bool initialised = false;
    Ravna::initClassLog(dlog, initialised, log);
}

namespace
{
    // QC is wanted open with more than two generator breakers on the busbars,
    // counting the one about to close.
    bool wantsOpen(int closed, bool closing) { return closed > 2 || (closed == 2 && closing); }
}

RavnaLogic::RavnaLogic(ObjectId id, xmlNode* confNode)
    : RavnaLogic_SK(id, confNode), qcMutex(getName() + "_qcMutex")
{
    checkTime = conf->getIntProp(confNode, "checkTime");
    if (checkTime <= 0)
        checkTime = 1000;

    const std::string qcName = conf->getProp(confNode, "QC");
    xmlNode* qcNode = qcName.empty() ? nullptr : conf->getNode(qcName);
    if (!qcNode)
        throw Exception(getName() + ": FAILED! " + qcName + " not found in conf!");

    QC::initLog(dlog);
    try
    {
        // The breaker registers itself with us as a child object.
        qc = std::make_unique<QC>(1, qcName, this, qcNode);
    }
    catch (const Exception& ex)
    {
        dlog.crit() << getName() << "(create " << qcName << "): " << ex << std::endl;
        throw Exception(ex.text);
    }
}

RavnaLogic::RavnaLogic() : RavnaLogic_SK() {}

RavnaLogic::~RavnaLogic() = default;

// --- the rule

int RavnaLogic::numOfQGEnabled()
{
    try
    {
        int closed = 0;
        for (ObjectId qg : {QGM1_State_s, QGM2_State_s, QGM3_State_s, QGM4_State_s})
            closed += ui.getState(qg) ? 1 : 0;
        numQG = closed;
        return closed;
    }
    catch (const Exception& ex)
    {
        dlog.warn() << getName() << "(numOfQGEnabled): " << ex << std::endl;
    }
    catch (...)
    {
        dlog.warn() << getName() << "(numOfQGEnabled): catch ..." << std::endl;
    }
    return -1;
}

bool RavnaLogic::qcTripped() const { return qc->currentMode() == QCProtectionMode::Instance(); }

bool RavnaLogic::forceQC()
{
    LoggedLock lock(qcMutex, 1500, dlog, getName(), "forceQC", "the check timer applies the rule later");
    if (!lock.ok())
    {
        // A change the rule did not see yet is looked at again once the lock is
        // free, while the tie is under control.
        if (qcControl && getTimeLeft(tmCheckQC) < 0)
            askTimer(tmCheckQC, checkTime);
        return false;
    }
    if (qcBlock)
        return false;
    return bringQC("forceQC", false, false);
}

bool RavnaLogic::prepareQC(bool on)
{
    LoggedLock lock(qcMutex, 1000, dlog, getName(), "prepareQC");
    if (!lock.ok())
        return false;
    // Held whatever the answer, so that the rule cannot undo what the switching needs.
    qcBlock = true;
    return bringQC("prepareQC", on, true);
}

bool RavnaLogic::bringQC(const char* method, bool closing, bool forSwitching)
{
    try
    {
        const bool closed = qc->getState();
        const int n = numOfQGEnabled();
        if (n < 0)
            return false;
        const bool open = wantsOpen(n, closing);
        if (closed != open)
            return true;
        // A tripped QC stays open until its protection is reset; the busbars need
        // no tie for the switching, so it goes on rather than wait for that.
        if (forSwitching && !open && qcTripped())
        {
            dlog.warn() << getName() << "(" << method << "): QC in protection, switching with QC open" << std::endl;
            return true;
        }
        if (forSwitching)
            dlog.info() << getName() << "(" << method << "): send " << (open ? "OFF" : "ON") << " command for QC"
                        << std::endl;
        if (open)
            qc->cmdOff();
        else
            qc->cmdOn();
    }
    catch (const Exception& ex)
    {
        dlog.warn() << getName() << "(" << method << "): " << ex << std::endl;
    }
    catch (...)
    {
        dlog.warn() << getName() << "(" << method << "): catch ..." << std::endl;
    }
    return false;
}

bool RavnaLogic::releaseQCBlock()
{
    LoggedLock lock(qcMutex, 1700, dlog, getName(), "releaseQCBlock", "the hold stays until released again");
    if (lock.ok())
        qcBlock = false;
    return lock.ok();
}

// --- control

void RavnaLogic::startQCControl()
{
    qc->cmdWake();
    if (!qcControl.exchange(true))
        askTimer(tmCheckQC, checkTime);
}

void RavnaLogic::stopQCControl()
{
    // Off before the command, so that the breaker's report of going to sleep is ignored.
    qcControl = false;
    qc->cmdSleep();
    askTimer(tmCheckQC, 0);
}

void RavnaLogic::resetQC() { qc->cmdReset(); }

// --- the loop

void RavnaLogic::processingMessage(VoidMessage* msg)
{
    try
    {
        if (msg->type == AutomatMessage::MessageTypeID)
        {
            const AutomatMessage am(msg);
            automatInfo(&am);
        }
        else
            RavnaLogic_SK::processingMessage(msg);
    }
    catch (const Exception& ex)
    {
        dlog.crit() << getName() << "(processingMessage): " << ex << std::endl;
    }
}

void RavnaLogic::automatInfo(const AutomatMessage* am)
{
    if (am->id == qc->getId() && qcControl && am->kind == AutomatMessage::kState)
        forceQC();
}

void RavnaLogic::sensorInfo(const SensorMessage* sm)
{
    if (sm->id == QGM1_State_s || sm->id == QGM2_State_s || sm->id == QGM3_State_s || sm->id == QGM4_State_s)
    {
        dlog.info() << getName() << "(sensorInfo): qg state change.." << std::endl;
        if (!forceQC())
            askTimer(tmCheckQC, checkTime);
    }
    else if (sm->id == QC_State_s)
        forceQC();
}

void RavnaLogic::timerInfo(const TimerMessage* tm)
{
    if (tm->id != tmCheckQC)
        return;
    dlog.info() << getName() << "(timerInfo): check QC.." << std::endl;
    if (forceQC())
    {
        askTimer(tmCheckQC, 0);
        dlog.info() << getName() << "(timerInfo): check QC [OK]" << std::endl;
    }
}

void RavnaLogic::step()
{
    out_SES_ReservPower_as = in_QC_State_s ? in_Group1_ReservPower_as.load()
                                           : in_Group1_ReservPower_as + in_Group2_ReservPower_as;
}
