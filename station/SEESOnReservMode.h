// Automatic control, a reserve station with its set on the busbar: on the
// supervision's reserve-stop command it opens its QG, and the automatic waiting mode
// leads the set through its cooling run to the stop. The last working set is not
// taken off. The operator's commands are refused. The leader's mode SEESOnAutoMode
// builds on it.
#pragma once

#include "SEESOnMode.h"

class SEESOnReservMode : public SEESOnMode
{
public:
    static SEESMode* Instance();

    void sensorInfo(const UniSetTypes::SensorMessage* sm, SEES* s) override;
    bool activate(SEES* s) override;
    std::string getName() const override { return "SEESOnReservMode"; }
    int getModeID() const override { return modeReserv; }

protected:
    SEESOnReservMode() = default;

private:
    void reserveStop(SEES* s);
};
