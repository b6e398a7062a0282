// Protection tripped or position undefined: commands are refused with a report until
// a reset (or, where the breaker has it, the automatic reset check) finds no reason left.
#pragma once

#include "BreakerMode.h"

template <class B>
class BreakerProtectionMode : public BreakerMode<B>
{
public:
    static BreakerProtectionMode* Instance();

    bool activate(B* b) override;
    bool deactivate(B* b) override;
    void automatCommand(const AutomatMessage* msg, B* b) override;
    void sensorInfo(const UniSetTypes::SensorMessage* sm, B* b) override;
    void timerInfo(const UniSetTypes::TimerMessage* tm, B* b) override;
    void step(B*) override {}
    std::string getName() const override { return this->nameOf("ProtectionMode"); }

    // True while a reason for protection remains (each reason raises its alarm message).
    bool checkProtection(B* b);

private:
    BreakerProtectionMode() = default;
    // Stays: the owner is told, and the automatic reset check starts where it is on.
    void hold(B* b);
    void resetIfCleared(B* b);
};
