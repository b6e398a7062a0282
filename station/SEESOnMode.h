// The set on the busbar (QG closed) under remote manual control: the operator's QG
// open command is handed to the waiting mode. The on-reserve and on-auto modes
// build on it.
#pragma once

#include "SEESMode.h"

class SEESOnMode : public SEESMode
{
public:
    static SEESMode* Instance();

    void sysCommand(const UniSetTypes::SystemMessage* sm, SEES* s) override;
    void sensorInfo(const UniSetTypes::SensorMessage* sm, SEES* s) override;
    bool activate(SEES* s) override;
    std::string getName() const override { return "SEESOnMode"; }
    int getModeID() const override { return modeOn; }

    // The on-state lamps, then the control value and the QG open button asked again.
    void updateLamps(SEES* s);

protected:
    SEESOnMode() = default;
};
