// The set runs with its QG open under remote manual control: the operator may close
// the QG or stop the set (through its cooling run); overload and warning signals are
// passed on to the supervision.
#pragma once

#include "SEESMode.h"

class SEESRunningMode : public SEESMode
{
public:
    static SEESMode* Instance();

    void sensorInfo(const UniSetTypes::SensorMessage* sm, SEES* s) override;
    bool activate(SEES* s) override;
    std::string getName() const override { return "SEESRunningMode"; }
    int getModeID() const override { return modeRunning; }

private:
    SEESRunningMode() = default;
};
