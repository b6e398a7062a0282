// The switchboard's no-power watcher: a row of busbar groups and the breakers
// between them. Groups joined by closed breakers form a section that is live while
// any source of its groups is on; every group of a dead section, and the station
// as a whole, is reported without power.
#pragma once

#include <list>
#include <memory>
#include <string>

#include "DebugStream.h"
#include "OrTrigger.h"
#include "Switchboard_SK.h"

class Switchboard : public Switchboard_SK
{
public:
    Switchboard(const std::string& name, xmlNode* cnode);
    // Only refuses, as the skeleton's does.
    Switchboard();
    ~Switchboard() override;

    // The first call copies log into the class log; later calls change nothing.
    static void initLog(const DebugStream& log);
    static DebugStream dlog;

    // Recomputes and writes every group's no-power signal and the station's.
    void updateNoPower();
    // The groups' trigger action: the output is read directly, so nothing to do.
    void groupChanged(bool state);

    struct Group
    {
        std::unique_ptr<OrTrigger<Switchboard>> trigger;
        UniSetTypes::ObjectId noPowerId = UniSetTypes::DefaultObjectId;
        std::string name;
    };

    // A busbar group, or a breaker with its last reported position.
    struct Element
    {
        std::unique_ptr<Group> group;
        UniSetTypes::ObjectId automatId = UniSetTypes::DefaultObjectId;
        bool closed = false;
    };

    const std::list<Element>& row() const { return elements; }

protected:
    void askSensors(UniversalIO::UIOCommand cmd) override;
    void sensorInfo(const UniSetTypes::SensorMessage* sm) override;
    void step() override {}

    UniSetTypes::ObjectId lookupSensorId(const std::string& value, const std::string& objectName,
                                         const std::string& what);

private:
    void readRow(const std::string& name, xmlNode* cnode);

    std::list<UniSetTypes::ObjectId> askList;
    std::list<Element> elements;
    UniSetTypes::ObjectId noPowerId = UniSetTypes::DefaultObjectId;
};
