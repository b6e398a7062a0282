// Entry of automatic control: finds the breaker's position and goes on to On, Off
// or Protection.
#pragma once

#include "BreakerMode.h"

template <class B>
class BreakerInitMode : public BreakerMode<B>
{
public:
    static BreakerInitMode* Instance();

    bool activate(B* b) override;
    void sensorInfo(const UniSetTypes::SensorMessage* sm, B* b) override;
    std::string getName() const override { return this->nameOf("InitMode"); }

private:
    BreakerInitMode() = default;
};
