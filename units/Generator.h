// The generator of one station: its state code mapped to discrete sensors and the
// station's two questions (on, protection). It reports nothing.
#pragma once

#include <string>

#include "Generator_SK.h"
#include "UnitWatch.h"

class Generator : public Generator_SK
{
public:
    // num is not kept. Registers itself with owner (the station), which deletes it.
    Generator(int num, const std::string& name, ObjectsManager* owner, xmlNode* confNode);
    // Only refuses, as the skeleton's does.
    Generator();
    ~Generator() override;

    static void initLog(const DebugStream& log);
    static DebugStream dlog;

    // Called from the station's thread; they answer from the last stored code.
    bool isOn();
    bool isProtection();

protected:
    void askSensors(UniversalIO::UIOCommand cmd) override;
    void sensorInfo(const UniSetTypes::SensorMessage* sm) override;
    void step() override {}

private:
    ObjectsManager* owner = nullptr;
    UnitWatch watch;
};
