#include "VDGState.h"

#include "Ravna.h"

using namespace UniSetTypes;

DebugStream VDGState::dlog(Debug::NONE);

VDGState::VDGState(ObjectId id, xmlNode* cnode, AState* qg) : VDGState_SK(id, cnode), qg(qg) {}

VDGState::VDGState() : VDGState_SK() {}

VDGState::~VDGState() = default;

void VDGState::initLog(const DebugStream& log)
{
    static bool initialised = false;
    Ravna::initClassLog(dlog, initialised, log);
}

void VDGState::sensorInfo(const SensorMessage*)
{
    out_DG_Working_s = in_Diesel_Working_s && in_Generator_Working_s;
    out_Generator_as = in_Generator_Working_s ? 1 : 0;
}

long VDGState::stateFor(long breaker) const
{
    if (breaker == AState::stProtection)
        return AState::stProtection;
    if (out_DG_Working_s)
        return breaker == AState::stOn ? AState::stOn : stRunning;
    if (breaker == AState::stOff)
        return AState::stOff;
    return (in_Diesel_Working_s && !in_Generator_Working_s) ? stDieselOnly : stUndefined;
}

void VDGState::step()
{
    // The breaker's object runs on its own thread; its state is read once a pass.
    out_State_as = stateFor(qg->breakerState());
}
