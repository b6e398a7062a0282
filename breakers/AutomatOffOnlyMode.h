// The breaker may only be opened: cmdOff pulses Off_c for OffTime, every other
// command is ignored, and position changes are reported as in the Sleep mode.
#pragma once

#include "BreakerSleepMode.h"

class Automat;

class AutomatOffOnlyMode : public BreakerSleepMode<Automat>
{
public:
    static AutomatOffOnlyMode* Instance();

    bool activate(Automat* a) override;
    bool deactivate(Automat* a) override;
    void automatCommand(const AutomatMessage* msg, Automat* a) override;
    void timerInfo(const UniSetTypes::TimerMessage* tm, Automat* a) override;
    std::string getName() const override { return "AutomatOffOnlyMode"; }

protected:
    bool clearsUndefined() const override { return true; }

private:
    AutomatOffOnlyMode() = default;
};
