// The station simulator: one diesel-generator set with its breaker QG on the test
// bench. It answers the station control's commands with the feedback a real set
// gives, after the delays of its timers.
#pragma once

#include <memory>
#include <string>

#include "Mendra_SK.h"
#include "OrTrigger.h"

class Mendra : public Mendra_SK
{
public:
    Mendra(const std::string& name, xmlNode* cnode);
    Mendra();
    ~Mendra() override;

    // Local timers.
    enum Timer
    {
        tmStarted = 1,        // the diesel has started
        tmStopped = 2,        // the diesel has stopped
        tmQGClosed = 3,       // QG has closed
        tmQGOpened = 4,       // QG has opened
        tmDischarged = 5,     // unloading done
        tmOverload20Off = 6,  // clears the 20 % overload signal, repeating
        tmVoltageRamp = 7     // one step of the voltage ramp, repeating
    };

    // The plant's own times, ms; fixed, as a real set's are. bench/station adds them
    // up for the roads it measures.
    static constexpr long startMs = 3000;        // the diesel's start
    static constexpr long stopMs = 6000;         // the diesel's stop
    static constexpr long qgOnMs = 500;          // QG closes
    static constexpr long qgSyncOnMs = 3000;     // QG closes through the synchroniser
    static constexpr long qgOffMs = 500;         // QG opens, also on a protection trip
    static constexpr long dischargeMs = 3000;    // unloading
    static constexpr long overload20OffMs = 3000;
    // The voltage ramp: from the first voltage in steps, one step a tick, to the rated one.
    static constexpr long firstVoltage = 1;
    static constexpr long ratedVoltage = 380;
    static constexpr long voltageStep = 20;
    static constexpr long rampTickMs = 50;
    // From the start's end to the rated voltage: the ticks that pass the rated voltage,
    // and the one that settles it.
    static constexpr long rampMs() { return ((ratedVoltage - firstVoltage) / voltageStep + 1 + 1) * rampTickMs; }

    // Publishes the safe outputs and stops the loop.
    void sigterm(int signo) override;
    // Every ordering (start-up, fold-up, finish) leaves the simulated breaker open.
    void askSensors(UniversalIO::UIOCommand cmd) override;
    void sensorInfo(const UniSetTypes::SensorMessage* sm) override;
    void timerInfo(const UniSetTypes::TimerMessage* tm) override;
    void step() override;

    // The handler of the six command inputs; hides the skeleton's output setter.
    void setState(UniSetTypes::ObjectId sid, bool state);
    void resetProtection();
    // Called by alarmTrigger when its output changes.
    void onDieselAlarmStop(bool state);

private:
    void say(const std::string& text) const;
    void startTimer(Timer id, long msec, short ticks = 1);
    void cancelTimer(Timer id);
    // The simulated breaker's position and the two outputs that show it.
    void setQG(bool closed);
    // The state codes once the set has settled. A standing trip shows as protection in
    // both for as long as its input holds, so that whoever reads the codes, at any
    // time, sees it; the set's code shows an emergency stop of the diesel the same way.
    long settledStationState() const;
    long settledBreakerState() const;
    void sharePower();
    bool protectionStands() const;
    // The code of a switching or start under way: a standing trip shows through it.
    long underWay() const;
    // True, with a line on the trace, while a protection input holds the breaker open.
    bool closeBlocked() const;
    void tripQG();
    // Once no protection input stands: the codes settle as the open report does.
    void tripCleared();
    void voltageRampStep();

    bool qgClosed = false;
    std::unique_ptr<OrTrigger<Mendra>> alarmTrigger;
};
