// The state code of one circuit breaker from its contacts and protections.
// A contact change is taken only after the contacts have kept still for
// unknownTimeout ms, so a breaker in transit never shows as undefined.
#pragma once

#include "AState_SK.h"
#include "DebugStream.h"
#include "PassiveTimer.h"

class AState : public AState_SK
{
public:
    // The codes written to state_as.
    static constexpr long stOff = 0;
    static constexpr long stOn = 1;
    static constexpr long stProtection = 2;
    static constexpr long stUndefined = 10;

    AState(UniSetTypes::ObjectId id, xmlNode* cnode);
    // Only refuses, as the skeleton's does.
    AState();
    ~AState() override;

    // The first call copies log into the class log; later calls change nothing.
    static void initLog(const DebugStream& log);
    static DebugStream dlog;

    // Recomputes out_state_as from the inputs as they stand.
    void updateState();

    // Cross-thread query: the state code as last computed, for the set's state
    // object that runs on its own thread. Safe from any thread.
    long breakerState() const { return out_state_as.load(); }

    bool waitingUnknown() const { return waitUnknown; }
    int unknownTimeout() const { return ptUnknown.getInterval(); }

protected:
    void sensorInfo(const UniSetTypes::SensorMessage* sm) override;
    void step() override;

private:
    bool isContact(UniSetTypes::ObjectId sid) const;

    bool waitUnknown = false;
    PassiveTimer ptUnknown;
};
