// One pending command under automatic control, the twin of SEESWaitingMode: start or
// stop the set, close or open the QG (with the supervision's leave), or begin the
// cooling run. A completed command goes on by itself: a started set closes its QG, an
// opened QG leads through the cooling run to the stop; the chain ends in the leader's
// or the reserve's mode as Leader_f says. The operator's buttons are only logged.
#pragma once

#include "SEESMode.h"

class SEESAutoWaitingMode : public SEESMode
{
public:
    // Stores the command, the mode to fall back to and the repeat limit in s, and
    // returns the mode for changeMode.
    static SEESMode* Instance(SEES* s, int cmd, SEESMode* fallback, int limit);

    void timerInfo(const UniSetTypes::TimerMessage* tm, SEES* s) override;
    void sensorInfo(const UniSetTypes::SensorMessage* sm, SEES* s) override;
    bool activate(SEES* s) override;
    bool deactivate(SEES* s) override;
    std::string getName() const override { return "SEESAutoWaitingMode"; }
    int getModeID() const override { return modeAutoWaiting; }

    // Cancels the pending command: its output, time-out and leave go. Nothing here
    // calls it; the operator's buttons cancel nothing under automatic control.
    static bool rollback(SEES* s);

private:
    SEESAutoWaitingMode() = default;
    static SEESMode* singleton();

    // A command refused on entry: the refusal is logged, and the station goes to the
    // fallback mode rather than wait here with nothing under way.
    bool refuse(SEES* s);
    // The next command of a chain, once the one before has reached its state.
    void handOn(SEES* s, int cmd);
    // Where a settled command leaves the station: the leader's or the reserve's mode.
    static SEESMode* stopped(SEES* s);
    static SEESMode* connected(SEES* s);
    void completion(SEES* s, long state);
};
