// A small process class on the skeleton with one item of every kind, and a
// capture of the runtime's log, for the skeleton's tests.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "DebugStream.h"
#include "Exceptions.h"
#include "ProcessSkeleton.h"
#include "TestSupport.h"

#define PROBE_SK_LIST(ITEM, FIXED, MSG, SETTING)                                                                  \
    ITEM(state_as, in, AI, mandatory, 0)                                                                           \
    ITEM(on_s, in, DI, mandatory, 0)                                                                               \
    ITEM(On_c, out, DO, mandatory, 0)                                                                              \
    ITEM(level_as, out, AI, optional, 7)                                                                           \
    MSG(mid_NotOn)                                                                                                 \
    MSG(mid_NotOff)                                                                                                \
    SETTING(autoReset, flag, "0")                                                                                  \
    SETTING(OnTime, number, "500")

class Probe_SK : public ravna::ProcessSkeleton<UniSetObject>
{
    RAVNA_SKELETON_CLASS(Probe_SK, PROBE_SK_LIST)
};

// Counts its passes and keeps the sensor and timer messages it was handed.
class Probe : public Probe_SK
{
public:
    using Probe_SK::Probe_SK;

    void step() override
    {
        ++steps;
        if (throwInStep)
            throw UniSetTypes::Exception("step failed");
        if (stepAction)
            stepAction();
    }
    void sensorInfo(const UniSetTypes::SensorMessage* sm) override { seen.push_back(sm->id); }
    void askSensors(UniversalIO::UIOCommand cmd) override { asked.push_back(cmd); }
    void timerInfo(const UniSetTypes::TimerMessage* tm) override { timers.push_back(tm->id); }

    using Probe_SK::retryUntilDone;

    int steps = 0;
    bool throwInStep = false;
    std::function<void()> stepAction;
    std::vector<UniSetTypes::ObjectId> seen;
    std::vector<UniversalIO::UIOCommand> asked;
    std::vector<UniSetTypes::TimerId> timers;
};

// The probe's configuration: sensors 100.., the object 5000 and its node.
std::string probeWorld(const std::string& nodeAttributes);

using testing_support::LogCapture;
