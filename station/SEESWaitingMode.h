// One operator command carried out under remote manual control: start or stop the
// set, close or open the QG (with the supervision's leave), or begin the cooling run.
// The command completes on the state it aims at; a time-out, a failure code of the
// set's automation or a leave that never comes ends in the fallback mode.
#pragma once

#include "SEESMode.h"

class SEESWaitingMode : public SEESMode
{
public:
    // Stores the command, the mode to fall back to and the repeat limit in s, and
    // returns the mode for changeMode.
    static SEESMode* Instance(SEES* s, int cmd, SEESMode* fallback, int limit);
    // Whether m is this mode, without storing a command as Instance does.
    static bool is(const SEESMode* m) { return m == singleton(); }

    void timerInfo(const UniSetTypes::TimerMessage* tm, SEES* s) override;
    void sensorInfo(const UniSetTypes::SensorMessage* sm, SEES* s) override;
    bool activate(SEES* s) override;
    bool deactivate(SEES* s) override;
    std::string getName() const override { return "SEESWaitingMode"; }
    int getModeID() const override { return modeWaiting; }

private:
    SEESWaitingMode() = default;
    static SEESMode* singleton();

    // A command refused on entry: the refusal is logged, and the station goes to the
    // fallback mode rather than wait here with nothing under way.
    bool refuse(SEES* s);
    bool blockedRun(SEES* s);
    // The failure codes of the set's automation that end the pending command.
    static bool endsCommand(int cmd, long code);
    void operatorStop(SEES* s);
    void operatorStart(SEES* s);
};
