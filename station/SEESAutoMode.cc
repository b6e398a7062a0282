#include "SEESAutoMode.h"

SEESMode* SEESAutoMode::Instance()
{
    static SEESAutoMode* inst = new SEESAutoMode();
    return inst;
}
