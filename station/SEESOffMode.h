// The set stopped under remote manual control: the operator's start command is
// handed to the waiting mode, with the supervision's leave to run.
#pragma once

#include "SEESMode.h"

class SEESOffMode : public SEESMode
{
public:
    static SEESMode* Instance();

    void sysCommand(const UniSetTypes::SystemMessage* sm, SEES* s) override;
    void sensorInfo(const UniSetTypes::SensorMessage* sm, SEES* s) override;
    bool activate(SEES* s) override;
    std::string getName() const override { return "SEESOffMode"; }
    int getModeID() const override { return modeOff; }

private:
    SEESOffMode() = default;
};
