// Automatic control, the group's leader with its set stopped: it starts the set when
// its busbar has been without power for NoPowerTime, or on a reserve command, and
// hands over to the reserve mode when it stops being the leader. The reserve
// commands meant for reserve stations are only logged.
#pragma once

#include "SEESReservMode.h"

class SEESAutoMode : public SEESReservMode
{
public:
    static SEESMode* Instance();

    void timerInfo(const UniSetTypes::TimerMessage* tm, SEES* s) override;
    void sensorInfo(const UniSetTypes::SensorMessage* sm, SEES* s) override;
    bool activate(SEES* s) override;
    bool deactivate(SEES* s) override;
    std::string getName() const override { return "SEESAutoMode"; }
    int getModeID() const override { return modeAuto; }

private:
    SEESAutoMode() = default;
};
