#include "SEESAutoWaitingMode.h"

#include "PendingCommand.h"

SEESMode* SEESAutoWaitingMode::singleton()
{
    static SEESAutoWaitingMode* inst = new SEESAutoWaitingMode();
    return inst;
}

SEESMode* SEESAutoWaitingMode::Instance(SEES* s, int cmd, SEESMode* fallback, int limit)
{
    PendingCommand::store(s, cmd, fallback, limit);
    return singleton();
}
