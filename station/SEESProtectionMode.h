// The set tripped on protection (the set, its diesel, generator or QG reports
// mPROTECTION): starts are refused, the lamps follow the units, the operator may
// stop the diesel without a reset (not under automatic control), and a reset that
// finds no protection left hands the station to Init.
#pragma once

#include "SEESMode.h"

class SEESProtectionMode : public SEESMode
{
public:
    static SEESMode* Instance();

    void timerInfo(const UniSetTypes::TimerMessage* tm, SEES* s) override;
    void sysCommand(const UniSetTypes::SystemMessage* sm, SEES* s) override;
    void sensorInfo(const UniSetTypes::SensorMessage* sm, SEES* s) override;
    bool activate(SEES* s) override;
    bool deactivate(SEES* s) override;
    std::string getName() const override { return "SEESProtectionMode"; }
    int getModeID() const override { return modeProtection; }

    // The lamps from the units' on-states; left alone while a stop without reset runs.
    bool updateLamp(SEES* s);

private:
    SEESProtectionMode() = default;

    void resetProtection(SEES* s);
    void stopWithoutReset(SEES* s, bool qgOffButton);
    void endStop(SEES* s);
};
