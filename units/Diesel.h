// The diesel of one station: its state code mapped to discrete sensors, the
// station's two questions (on, protection), and a report to the station for every
// message of the code.
#pragma once

#include <string>

#include "Diesel_SK.h"
#include "UnitWatch.h"

class Diesel : public Diesel_SK
{
public:
    // Registers itself with owner (the station), which deletes it.
    Diesel(int num, const std::string& name, ObjectsManager* owner, xmlNode* confNode);
    // Only refuses, as the skeleton's does.
    Diesel();
    ~Diesel() override;

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
    int num = 0;
    UnitWatch watch;
};
