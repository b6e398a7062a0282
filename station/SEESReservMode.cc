#include "SEESReservMode.h"

SEESMode* SEESReservMode::Instance()
{
    static SEESReservMode* inst = new SEESReservMode();
    return inst;
}

bool SEESReservMode::activate(SEES* s)
{
    setControlMode(s, 3);
    return true;
}
