#include "AState.h"

#include "Configuration.h"
#include "Ravna.h"

using namespace UniSetTypes;

DebugStream AState::dlog(Debug::NONE);

namespace
{
    constexpr int defaultUnknownTimeout = 2000;
}

AState::AState(ObjectId id, xmlNode* cnode) : AState_SK(id, cnode)
{
    int timeout = conf->getPIntProp(cnode, "unknownTimeout", defaultUnknownTimeout);
    if (timeout <= 0)
        timeout = defaultUnknownTimeout;
    ptUnknown.setTiming(timeout);
}

AState::AState() : AState_SK() {}

AState::~AState() = default;

void AState::initLog(const DebugStream& log)
{
    static bool initialised = false;
    Ravna::initClassLog(dlog, initialised, log);
}

bool AState::isContact(ObjectId sid) const
{
    return sid == on_s || sid == off_s;
}

void AState::updateState()
{
    if (in_protection_s || in_protection2_s || in_rom_protection_s)
        out_state_as = stProtection;
    else if (off_s != DefaultObjectId && in_on_s == in_off_s)
        out_state_as = stUndefined;
    else
        out_state_as = in_on_s ? stOn : stOff;
}

void AState::sensorInfo(const SensorMessage* sm)
{
    // Without an off contact there is no transit to wait out.
    if (off_s != DefaultObjectId && isContact(sm->id))
    {
        waitUnknown = true;
        ptUnknown.reset();
        return;
    }
    updateState();
}

void AState::step()
{
    if (waitUnknown && ptUnknown.checkTime())
    {
        updateState();
        waitUnknown = false;
    }
}
