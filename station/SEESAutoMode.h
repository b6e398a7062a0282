// Automatic control, the group's leader with its set stopped. Not built yet: it
// behaves as the reserve mode it derives from.
#pragma once

#include "SEESReservMode.h"

class SEESAutoMode : public SEESReservMode
{
public:
    static SEESMode* Instance();

    std::string getName() const override { return "SEESAutoMode"; }
    int getModeID() const override { return modeAuto; }

private:
    SEESAutoMode() = default;
};
