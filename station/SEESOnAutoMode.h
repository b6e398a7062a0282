// Automatic control, the group's leader with its set on the busbar: its load signals
// decide whether the group needs one more reserve station or may release one. The
// low-load signal is held back for Load20Time after the leader took up the busbar.
// Hands over to the on-reserve mode when it stops being the leader; the reserve
// commands meant for reserve stations are only logged.
#pragma once

#include "SEESOnReservMode.h"

class SEESOnAutoMode : public SEESOnReservMode
{
public:
    static SEESMode* Instance();

    void timerInfo(const UniSetTypes::TimerMessage* tm, SEES* s) override;
    void sensorInfo(const UniSetTypes::SensorMessage* sm, SEES* s) override;
    bool activate(SEES* s) override;
    bool deactivate(SEES* s) override;
    std::string getName() const override { return "SEESOnAutoMode"; }
    int getModeID() const override { return modeAuto; }

private:
    SEESOnAutoMode() = default;

    void filterLowLoad(const UniSetTypes::SensorMessage* sm, SEES* s);
};
