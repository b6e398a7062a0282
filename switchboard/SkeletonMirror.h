// The input and output mirror of the process skeleton: the items' values against the
// store, read and written through the object's UniversalInterface.
#pragma once

#include <functional>
#include <string>

#include "MessageType.h"
#include "SkeletonItems.h"
#include "UniversalInterface.h"

namespace ravna::sk
{
    // The object the mirror works for: its sensor access, its name for the log lines
    // and its id, the supplier of what it writes.
    struct Access
    {
        UniversalInterface& ui;
        const std::string& name;
        UniSetTypes::ObjectId id;
    };

    // The sensor id on node, as the writes of inputs take it.
    IOController_i::SensorInfo sensorAt(UniSetTypes::ObjectId id, UniSetTypes::ObjectId node);

    // An item's value in the store, read by its declared type.
    long read(const Access& self, const Item& item);
    // Writes an output by its type; an unset id writes nothing. A failure is logged as
    // setdata's and thrown on, whichever method wrote.
    void write(const Access& self, const Item& item, long value);

    // Every input with an id, from the store (a failure is logged and thrown on).
    void readInputs(const Access& self, const Layout& layout);
    // Every output whose value changed since it was last written (every one when
    // force); an input's previous value follows its value.
    void writeOutputs(const Access& self, const Layout& layout, bool force);
    // The item of id sid read anew from the store; 0 with a crit line when none is.
    long readItem(const Access& self, const Layout& layout, UniSetTypes::ObjectId sid);
    // Sets and writes the output of id sid, logging under the method's name; its
    // previous value stays, so that the next writeOutputs writes it once more.
    void writeOutput(const Access& self, const Layout& layout, UniSetTypes::ObjectId sid, long value,
                     const char* method);
    // Every output written 0.
    void writeOutputsOff(const Access& self, const Layout& layout);

    void keepPreviousValues(const Layout& layout);
    // The value a sensor message brings, into the inputs of its id.
    void storeInput(const Layout& layout, const UniSetTypes::SensorMessage& sm);
    // A sensor message, as from supplier, for every input whose value differs from its
    // previous one, in declaration order, each made just before it is handed on.
    void forEachChangedInput(const Layout& layout, UniSetTypes::ObjectId supplier,
                             const std::function<void(const UniSetTypes::SensorMessage&)>& f);
}
