// One pending command under automatic control, the twin of SEESWaitingMode. Not
// built yet: its getter stores the pending command as the waiting mode's does, and
// entering it starts nothing. PendingCommand holds the steps the two modes share.
#pragma once

#include "SEESMode.h"

class SEESAutoWaitingMode : public SEESMode
{
public:
    // Stores the command, the mode to fall back to and the repeat limit in s, and
    // returns the mode for changeMode.
    static SEESMode* Instance(SEES* s, int cmd, SEESMode* fallback, int limit);

    std::string getName() const override { return "SEESAutoWaitingMode"; }
    int getModeID() const override { return modeAutoWaiting; }

private:
    SEESAutoWaitingMode() = default;
    static SEESMode* singleton();
};
