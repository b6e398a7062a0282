// Keeps the stations' priority sensors in line with the operator's choice: each
// selector switch has its list of (sensor, priority) pairs, one list is the
// default. On every selector message the lowest-id selector that is on wins (the
// default list when none is), and its pairs are written. The chosen list is also
// written once at start-up, so priorities stand even before a selector moves.
#pragma once

#include <list>
#include <map>
#include <string>
#include <utility>

#include "DebugStream.h"
#include "PriorityController_SK.h"

class PriorityController : public PriorityController_SK
{
public:
    // node is <prioritylist>; log is the owner's, used and not owned. A bad list
    // throws UniSetTypes::Exception with the text it also logs.
    PriorityController(UniSetTypes::ObjectId id, xmlNode* node, const DebugStream& log);
    ~PriorityController() override;

protected:
    void askSensors(UniversalIO::UIOCommand cmd) override;
    void sensorInfo(const UniSetTypes::SensorMessage* sm) override;
    void step() override {}

private:
    using Items = std::list<std::pair<UniSetTypes::ObjectId, long>>;

    struct PriorityList
    {
        Items items;
        UniSetTypes::ObjectId sid = UniSetTypes::DefaultObjectId;
        bool state = false;
        std::string name;
    };

    void readLists(xmlNode* node);
    Items readItems(xmlNode* list, const std::string& listName);
    UniSetTypes::ObjectId sensorOf(const std::string& name);
    [[noreturn]] void fail(const std::string& text);
    // Reads every selector and writes the list of the first one on (else the
    // default list); method names the log lines.
    void saveChosen(const char* method);
    void save(const Items& items, const char* method);

    const DebugStream& log;
    std::map<UniSetTypes::ObjectId, PriorityList> lists;
    Items defaultList;
};
