// The breaker is open under automatic control and waits for a close command.
#pragma once

#include "BreakerMode.h"

template <class B>
class BreakerOffMode : public BreakerMode<B>
{
public:
    static BreakerOffMode* Instance();

    bool activate(B* b) override;
    void automatCommand(const AutomatMessage* msg, B* b) override;
    void sensorInfo(const UniSetTypes::SensorMessage* sm, B* b) override;
    std::string getName() const override { return this->nameOf("OffMode"); }

private:
    BreakerOffMode() = default;
};
