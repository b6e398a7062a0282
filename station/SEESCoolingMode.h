// The diesel runs on with the QG open for the cooling time before it is stopped; the
// diesel-generator lamp blinks meanwhile. A start request, a reserve start or a
// blackout takes the set back into service instead.
#pragma once

#include "SEESMode.h"

class SEESCoolingMode : public SEESMode
{
public:
    static SEESMode* Instance();

    void step(SEES* s) override;
    void timerInfo(const UniSetTypes::TimerMessage* tm, SEES* s) override;
    void sensorInfo(const UniSetTypes::SensorMessage* sm, SEES* s) override;
    bool activate(SEES* s) override;
    bool deactivate(SEES* s) override;
    std::string getName() const override { return "SEESCoolingMode"; }
    int getModeID() const override { return modeCooling; }

private:
    SEESCoolingMode() = default;
};
