// The breaker is closed under automatic control and waits for an open command.
#pragma once

#include "BreakerMode.h"

template <class B>
class BreakerOnMode : public BreakerMode<B>
{
public:
    static BreakerOnMode* Instance();

    bool activate(B* b) override;
    void automatCommand(const AutomatMessage* msg, B* b) override;
    void sensorInfo(const UniSetTypes::SensorMessage* sm, B* b) override;
    std::string getName() const override { return this->nameOf("OnMode"); }

private:
    BreakerOnMode() = default;
};
