// Automatic control, a reserve station with its set on the busbar. Not built yet:
// entering it records the automatic control value, and only the base handling of
// the control value and of protection applies.
#pragma once

#include "SEESOnMode.h"

class SEESOnReservMode : public SEESOnMode
{
public:
    static SEESMode* Instance();

    void sensorInfo(const UniSetTypes::SensorMessage* sm, SEES* s) override { SEESMode::sensorInfo(sm, s); }
    bool activate(SEES* s) override;
    std::string getName() const override { return "SEESOnReservMode"; }
    int getModeID() const override { return modeReserv; }

protected:
    SEESOnReservMode() = default;
};
