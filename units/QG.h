// The generator breaker (QG) of one station: its state code mapped to discrete
// sensors, its closed signal, and the station's questions about it.
#pragma once

#include <string>

#include "QG_SK.h"
#include "UnitWatch.h"

class QG : public QG_SK
{
public:
    // num is not used. Registers itself with owner (the station), which deletes it.
    QG(int num, const std::string& name, ObjectsManager* owner, xmlNode* confNode);
    // Only refuses, as the skeleton's does.
    QG();
    ~QG() override;

    static void initLog(const DebugStream& log);
    static DebugStream dlog;

    // Called from the station's thread; they answer from the last stored values.
    bool getOnState() const { return in_on_s; }
    bool isOn();
    bool isProtection();
    bool isNotOff();

protected:
    void askSensors(UniversalIO::UIOCommand cmd) override;
    void sensorInfo(const UniSetTypes::SensorMessage* sm) override;
    void step() override {}

private:
    ObjectsManager* owner = nullptr;
    UnitWatch watch;
};
