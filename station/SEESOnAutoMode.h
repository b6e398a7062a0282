// Automatic control, the group's leader with its set on the busbar. Not built yet:
// it behaves as the on-reserve mode it derives from.
#pragma once

#include "SEESOnReservMode.h"

class SEESOnAutoMode : public SEESOnReservMode
{
public:
    static SEESMode* Instance();

    std::string getName() const override { return "SEESOnAutoMode"; }
    int getModeID() const override { return modeAuto; }

private:
    SEESOnAutoMode() = default;
};
