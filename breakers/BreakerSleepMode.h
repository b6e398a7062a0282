// Automatic control off: commands other than cmdWake are ignored, and the breaker
// only tells its owner what it sees (protection trips, position changes).
#pragma once

#include "BreakerMode.h"

template <class B>
class BreakerSleepMode : public BreakerMode<B>
{
public:
    static BreakerSleepMode* Instance();

    bool activate(B* b) override;
    void automatCommand(const AutomatMessage* msg, B* b) override;
    void sensorInfo(const UniSetTypes::SensorMessage* sm, B* b) override;
    // An undefined position does not leave this mode.
    void step(B*) override {}
    std::string getName() const override { return this->nameOf("SleepMode"); }

protected:
    BreakerSleepMode() = default;
    // Entry with the state the owner is told of (stSleep here, stOffOnly in the off-only mode).
    bool enter(B* b, AutomatMessage::StateCode reported);
    // Whether a defined position clears the undefined one that this mode fed to the
    // protection condition: a mode that no command ever leaves must.
    virtual bool clearsUndefined() const { return false; }
};
