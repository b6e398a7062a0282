// The records of the supervision's configuration lists: the busbar structure
// (groups, breakers and analog sensors between them), the breakers and the links
// of the automatic switch-off chain. Built once by the supervision's constructor
// and read on its own thread.
#pragma once

#include <list>
#include <memory>
#include <ostream>
#include <string>

#include "MessageType.h"
#include "UniSetTypes.h"
#include "UnionGroups.h"

class Automat;

// A sensor of the structure whose value 0 parts the groups on either side of it.
class ASensor
{
public:
    // An empty name takes the one the configuration gives the id.
    ASensor(UniSetTypes::ObjectId id, const std::string& name);

    // Takes the message's value when it is for this sensor; true then.
    bool check(const UniSetTypes::SensorMessage* sm);

    UniSetTypes::ObjectId id = UniSetTypes::DefaultObjectId;
    long value = 0;
    std::string name = "??ASensor??";
};

std::ostream& operator<<(std::ostream& os, const ASensor& a);

// One element of <structure>, in document order.
struct StructureObject
{
    enum Kind
    {
        kGroup = 1,
        kAutomat = 2,
        kASensor = 3
    };

    int kind = 0;
    std::unique_ptr<UnionGroups> group; // kGroup: the configured group, owned here
    Automat* avt = nullptr;             // kAutomat: one of the supervision's breakers
    ASensor* asensor = nullptr;         // kASensor: held by the supervision's sensor list
};

std::ostream& operator<<(std::ostream& os, const StructureObject& s);
// Entry by entry, each followed by " -- ".
std::ostream& operator<<(std::ostream& os, const std::list<StructureObject>& list);

// A breaker of <automatlist>.
struct AutomatEntry
{
    Automat* avt = nullptr;
    int power = 0;
    std::string name;
};

// A link of the switch-off chain: once breaker cur has closed and is still closed
// off_msec later, breaker prev is opened. Breakers by their index in the breaker table.
struct OffEntry
{
    int prev = -1;
    int cur = -1;
    int off_msec = 0;
    bool started = false; // the link's timer runs
    UniSetTypes::ObjectId prepare_mid = UniSetTypes::DefaultObjectId;
    UniSetTypes::ObjectId mid = UniSetTypes::DefaultObjectId;
};
