// The state code of one auxiliary diesel-generator set: whether its diesel runs,
// whether its generator works, and its breaker's state as that breaker's AState
// computed it.
#pragma once

#include "AState.h"
#include "DebugStream.h"
#include "VDGState_SK.h"

class VDGState : public VDGState_SK
{
public:
    // The codes written to State_as besides the breaker's own (off, on, protection).
    static constexpr long stDieselOnly = 4;
    static constexpr long stRunning = 9;
    static constexpr long stUndefined = 10;

    // qg, the state object of this set's breaker, is not owned and outlives this object.
    VDGState(UniSetTypes::ObjectId id, xmlNode* cnode, AState* qg);
    // Only refuses, as the skeleton's does.
    VDGState();
    ~VDGState() override;

    // The first call copies log into the class log; later calls change nothing.
    static void initLog(const DebugStream& log);
    static DebugStream dlog;

protected:
    void sensorInfo(const UniSetTypes::SensorMessage* sm) override;
    void step() override;

private:
    // The set's state code for a breaker state code and the inputs as they stand.
    long stateFor(long breaker) const;

    AState* qg = nullptr;
};
