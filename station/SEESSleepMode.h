// Control switched off (the set is run from its local post): the station takes no
// command and only mirrors its units on the lamps, until the control value is 2 or 3.
// The initial mode of every station.
#pragma once

#include "SEESMode.h"

class SEESSleepMode : public SEESMode
{
public:
    static SEESMode* Instance();

    void timerInfo(const UniSetTypes::TimerMessage* tm, SEES* s) override;
    void sensorInfo(const UniSetTypes::SensorMessage* sm, SEES* s) override;
    bool activate(SEES* s) override;
    bool deactivate(SEES* s) override;
    std::string getName() const override { return "SEESSleepMode"; }
    int getModeID() const override { return modeSleep; }

    // The four lamps from the units' on-states.
    void updateLamps(SEES* s);

private:
    SEESSleepMode() = default;
};
