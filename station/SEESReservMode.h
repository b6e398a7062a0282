// Automatic control, a reserve station (not the group's leader) with its set stopped.
// Not built yet: entering it records the automatic control value and nothing more.
#pragma once

#include "SEESMode.h"

class SEESReservMode : public SEESMode
{
public:
    static SEESMode* Instance();

    bool activate(SEES* s) override;
    std::string getName() const override { return "SEESReservMode"; }
    int getModeID() const override { return modeReserv; }

protected:
    SEESReservMode() = default;
};
