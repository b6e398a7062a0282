// What the two waiting modes (manual and automatic) share: the station's
// pending-command record, the outputs and time-outs of each command, the wait for the
// supervision's leave to switch the QG, the repeat-or-fall-back step and the exit
// action. Every step works on the station it is given; nothing is kept here.
#pragma once

#include "MessageType.h"

class SEES;
class SEESMode;

class PendingCommand
{
public:
    // The record a waiting mode's getter stores before the change to that mode.
    static void store(SEES* s, int cmd, SEESMode* fallback, int limit);

    // The command under way: its alarm message, lamps, output and time-out, then
    // state_as asked again so that a state already reached is seen at once.
    static void startRun(SEES* s);
    // A QG in protection refuses a start or a close; the refusal is logged.
    static bool qgTripped(SEES* s);
    static void startStop(SEES* s);
    // The QG close asked for: true when the set already reports itself on the busbar.
    static bool closedAlready(SEES* s);
    // The QG close (on) or open when the leave is granted, else the wait for it.
    static void switchQG(SEES* s, bool on);

    // The timers of a pending command (1, 2, 5 time-outs; 6, 7 the leave) handled
    // for mode; leaveFailedText is the line of a leave that never came.
    static void timerInfo(const UniSetTypes::TimerMessage* tm, SEES* s, SEESMode* mode, const char* leaveFailedText);
    // Runs mode's entry again while repeats are left, else changes to the fallback mode.
    static void repeatOrFallBack(SEES* s, SEESMode* mode);
    // The exit action: the pending command's time-out stopped, its output off, the
    // leave given back if held, and the wait for a leave ended.
    static void drop(SEES* s);
    // Cancels the pending command before another replaces it: its output, time-out
    // and leave go, so nothing of it acts later.
    static bool rollback(SEES* s);

private:
    // No output until the leave comes: timer 7 asks again, timer 6 gives up.
    static void waitForLeave(SEES* s);
    static void stopWaitingForLeave(SEES* s);
};
