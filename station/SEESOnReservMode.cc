#include "SEESOnReservMode.h"

SEESMode* SEESOnReservMode::Instance()
{
    static SEESOnReservMode* inst = new SEESOnReservMode();
    return inst;
}

bool SEESOnReservMode::activate(SEES* s)
{
    setControlMode(s, 3);
    return true;
}
