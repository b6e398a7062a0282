// A mode of a station: a stateless singleton that gets every event of the station it
// is current in. Everything a mode needs lives in the station, so one object of each
// mode serves every station of the program. The defaults here are what a mode does
// with an event it does not handle itself.
#pragma once

#include <string>

#include "MessageType.h"
#include "SEESMessages.h"
#include "UniSetTypes.h"

class SEES;

// What getModeID answers; a stopped and an on-the-busbar mode of one control
// situation share an id.
enum SEESModeId
{
    modeOff = 0,
    modeOn = 1,
    modeReserv = 2,
    modeAuto = 3,
    modeSleep = 4,
    modeRunning = 5,
    modeProtection = 6,
    modeInit = 7,
    modeWaiting = 9,
    modeAutoWaiting = 10,
    modeCooling = 15
};

// The pending command of the two waiting modes (the station's command field).
enum SEESCommand
{
    cmdStop = 0,
    cmdQGOn = 1,
    cmdRun = 5,
    cmdQGOff = 13,
    cmdCooling = 15
};

// The station's timers. 1, 2, 5 and 12 run one at a time through the station's
// timer trigger; the others are asked directly.
enum SEESTimerId
{
    tmNone = 0,
    tmRun = 1,
    tmOff = 2,
    tmProtectionStop = 3,
    tmProtectionCheck = 4,
    tmQG = 5,
    tmAcceptWaiting = 6,
    tmAcceptControl = 7,
    tmLoad20 = 8,
    tmNoPower = 9,
    tmBlockedRun = 10,
    tmUpdateState = 11,
    tmCooling = 12
};

class SEESMode
{
public:
    virtual ~SEESMode() = default;

    virtual void step(SEES*) {}
    virtual void timerInfo(const UniSetTypes::TimerMessage*, SEES*) {}
    virtual void sysCommand(const UniSetTypes::SystemMessage*, SEES*) {}
    // A control-value change leaves for Sleep or Init; state_as mPROTECTION for Protection.
    virtual void sensorInfo(const UniSetTypes::SensorMessage* sm, SEES* s);
    virtual void seesInfo(const SEESMessage*, SEES*) {}
    // Entry and exit actions, run by the station's changeMode; callers ignore the result.
    virtual bool activate(SEES*) { return true; }
    virtual bool deactivate(SEES*) { return true; }
    virtual std::string getName() const { return "???Mode"; }
    virtual long mapValue(long v) const { return v; }
    virtual int getModeID() const { return modeInit; }

    // Only 2 and 3 put the station under control. A value no switch gives (negative, or
    // above 3) counts as off too: taken for manual control it would send the station
    // round Init and Off for as long as it stood.
    static bool controlOff(long value) { return value < 2 || noSuchControlValue(value); }
    static bool noSuchControlValue(long value) { return value > 3; }

protected:
    SEESMode() = default;

    static void changeMode(SEESMode* next, SEES* s);
    // The control value this mode acts on: a CtlMode_f message repeating it changes nothing.
    static void setControlMode(SEES* s, int value);
    static void resetCommandTimer(SEES* s);
    // One of the station's timers asked directly (not through its trigger); 0 ms cancels it.
    static void askTimer(SEES* s, SEESTimerId id, int msec, short ticks = -1);
    static void updateNeedReservCommand(SEES* s);

    // The set left the state a resting mode stands for: protection, or a new survey.
    static void leaveOnStateChange(SEES* s, long state);
    // The same for a mode of a stopped set, which stays on mOFF; notOffText begins
    // the line of a survey.
    static void leaveStopped(SEES* s, long state, const char* notOffText);
    // The leader flag moved: next under automatic control, else a new survey.
    static void handOver(SEES* s, SEESMode* next);
    // An operator's command under manual control, after the command pause, to the
    // waiting mode, which falls back to from if it fails.
    static void handToWaiting(SEES* s, int cmd, SEESMode* from);
    // An operator's QG command: a blank line and text in the log, then refused (the
    // refusal line and message) while the QG is under local control, else handed on.
    static void qgCommand(SEES* s, SEESMode* from, int cmd, const char* text, const char* refusal,
                          UniSetTypes::ObjectId message);
};
