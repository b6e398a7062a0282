// The alarm messages of the process skeleton: each a digital input written on or off,
// its state kept by the skeleton.
#pragma once

#include <vector>

#include "SkeletonMirror.h"

namespace ravna::sk
{
    // Writes the message of sensor code on or off and keeps its state in states (by
    // declaration order); false, with a log line, for an unset code, a code not in the
    // list or a failed write.
    bool raiseAlarm(const Access& self, const Layout& layout, std::vector<bool>& states, UniSetTypes::ObjectId code,
                    bool state);
    // Every message off, each write failure logged.
    void resetAlarms(const Access& self, const Layout& layout, std::vector<bool>& states);
}
