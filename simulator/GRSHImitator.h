// The main-switchboard simulator: the bus-tie breaker QC, the switchboard's supply
// and the count of closed generator breakers that the station simulators share
// the plant load by.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "GRSHImitator_SK.h"
#include "OrTrigger.h"

class GRSHImitator : public GRSHImitator_SK
{
public:
    // cnode's children are the qglist: the signals whose being on gives a supply.
    GRSHImitator(const std::string& name, xmlNode* cnode);
    GRSHImitator();
    ~GRSHImitator() override;

    enum Timer
    {
        tmQCClosed = 0,
        tmQCOpened = 1
    };

    // Bench command words of ImitatorCmd_s.
    enum ImitatorCommand
    {
        cmdQCOff = 1,
        cmdQCOn = 2
    };

    // Publishes the switchboard without power and stops the loop.
    void sigterm(int signo) override;
    void askSensors(UniversalIO::UIOCommand cmd) override;
    void sensorInfo(const UniSetTypes::SensorMessage* sm) override;
    void timerInfo(const UniSetTypes::TimerMessage* tm) override;
    void step() override;

    // Called by qgTrigger when "any listed signal on" changes.
    void setNoPower(bool anyOn);

private:
    void say(const std::string& text) const;
    // The simulated bus-tie breaker's position and the two outputs that show it.
    void setQC(bool closed);
    void closeQCAfter(long msec);
    void openQCAfter(long msec);
    void countClosedBreakers(UniSetTypes::ObjectId sid, long code);

    std::unique_ptr<OrTrigger<GRSHImitator>> qgTrigger;
    bool qcClosed = false;
    // The last state code each generator breaker reported.
    std::map<UniSetTypes::ObjectId, long> qgStates;
};
