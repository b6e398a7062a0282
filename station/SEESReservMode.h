// Automatic control, a reserve station (not the group's leader) with its set stopped:
// it starts on the supervision's reserve command when the supervision lets it run,
// and tries again every BlockedRunTime while the command stands and it may not. The
// operator's commands are refused. The leader's mode SEESAutoMode builds on it.
#pragma once

#include "SEESMode.h"

class SEESReservMode : public SEESMode
{
public:
    static SEESMode* Instance();

    void timerInfo(const UniSetTypes::TimerMessage* tm, SEES* s) override;
    void sensorInfo(const UniSetTypes::SensorMessage* sm, SEES* s) override;
    bool activate(SEES* s) override;
    bool deactivate(SEES* s) override;
    std::string getName() const override { return "SEESReservMode"; }
    int getModeID() const override { return modeReserv; }

protected:
    SEESReservMode() = default;

    // The reserve-start command read afresh: a command already withdrawn is logged
    // and false.
    static bool reserveStartStands(SEES* s);

private:
    void reserveStart(SEES* s);
};
