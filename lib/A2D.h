// Maps the values of analog sensors to discrete outputs: while an analog sensor
// holds a listed value its outputs are written true, otherwise false (each may be
// inverted). Read once from the owner's XML node; it reports configuration
// problems on standard error and never fails construction for them.
#pragma once

#include <libxml/tree.h>
#include <list>
#include <map>

#include "MessageType.h"
#include "UniSetTypes.h"
#include "UniversalInterface.h"

class A2D
{
public:
    struct Output
    {
        UniSetTypes::ObjectId id;
        UniversalIO::IOTypes iotype;
        bool invert;
    };

    struct Item
    {
        UniSetTypes::ObjectId id;
        std::map<int, std::list<Output>> values;
    };

    explicit A2D(xmlNode* node);

    // Asks (or cancels, by cmd) notification of every analog sensor through ui.
    void askSensors(UniversalInterface* ui, UniversalIO::UIOCommand cmd);
    // Rewrites every output of each item whose analog sensor the message is about.
    void sensorInfo(UniversalInterface* ui, const UniSetTypes::SensorMessage* sm);
    // Writes one output, by its I/O type; a failed write is reported and dropped.
    void updateState(UniversalInterface* ui, const Output& out, bool state);

    const std::list<Item>& items() const { return list; }

private:
    void init(xmlNode* node);

    std::list<Item> list;
};
