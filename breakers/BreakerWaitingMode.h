// One close or open command in progress: the command output is on, and the breaker
// waits for the commanded position, the command's time-out, or a reversal.
#pragma once

#include "BreakerMode.h"

template <class B>
class BreakerWaitingMode : public BreakerMode<B>
{
public:
    // Prepares b for a new command (the command, the mode to fall back to when it
    // fails, how often it may be repeated) and returns the mode for changeMode.
    static BreakerWaitingMode* Instance(B* b, int command, BreakerMode<B>* returnMode, int repeats);
    // Whether m is this mode: a command is in progress.
    static bool is(const BreakerMode<B>* m) { return m == singleton(); }

    bool activate(B* b) override;
    bool deactivate(B* b) override;
    void sensorInfo(const UniSetTypes::SensorMessage* sm, B* b) override;
    void timerInfo(const UniSetTypes::TimerMessage* tm, B* b) override;
    void automatCommand(const AutomatMessage* msg, B* b) override;
    std::string getName() const override { return this->nameOf("WaitingMode"); }

    // Takes back the command in progress: its output off, its timer cancelled.
    void rollback(B* b);

private:
    BreakerWaitingMode() = default;
    static BreakerWaitingMode* singleton();

    void startSwitching(B* b, bool close);
    void startSyncClose(B* b);
    // Switches the output and the timer of command off.
    void drop(B* b, int command);
    // A new command while another is in progress: the same one is only noted; the
    // other is taken back and replaced, falling back to Protection if it fails.
    void replace(B* b, int command, const char* sameText, const char* rollbackText);
    static bool reached(const B* b, bool closed);
};
