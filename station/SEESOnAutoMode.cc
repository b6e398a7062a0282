#include "SEESOnAutoMode.h"

SEESMode* SEESOnAutoMode::Instance()
{
    static SEESOnAutoMode* inst = new SEESOnAutoMode();
    return inst;
}
