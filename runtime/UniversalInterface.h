// An object's access to sensors: reads, writes and notification requests, by id.
// Nodes are accepted for the calls' sake; every node is served by the one store.
#pragma once

#include <atomic>

#include "Store.h"
#include "UniSetTypes.h"

class UniSetObject;

namespace IOController_i
{
    struct SensorInfo
    {
        UniSetTypes::ObjectId id = UniSetTypes::DefaultObjectId;
        UniSetTypes::ObjectId node = UniSetTypes::DefaultObjectId;
    };
}

class UniversalInterface
{
public:
    UniversalInterface() = default;
    // For the object it serves: notifications go to it, its writes carry its id, and
    // waitReady ends when it terminates. Defined in UniSetObject.cc, with the object.
    explicit UniversalInterface(UniSetObject* owner);
    // The same, for an object being built (its own ui).
    UniversalInterface(UniSetObject* owner, UniSetTypes::ObjectId ownerId, const std::atomic<bool>& ownerTerminating)
        : owner(owner), ownerId(ownerId), ownerTerminating(&ownerTerminating)
    {
    }

    // Notifications go to the object named by consumer (default: the owner).
    void askSensor(UniSetTypes::ObjectId id, UniversalIO::UIOCommand cmd,
                   UniSetTypes::ObjectId consumer = UniSetTypes::DefaultObjectId);
    void askState(UniSetTypes::ObjectId id, UniversalIO::UIOCommand cmd,
                  UniSetTypes::ObjectId consumer = UniSetTypes::DefaultObjectId);
    void askRemoteSensor(UniSetTypes::ObjectId id, UniversalIO::UIOCommand cmd, UniSetTypes::ObjectId node,
                         UniSetTypes::ObjectId consumer = UniSetTypes::DefaultObjectId);

    bool getState(UniSetTypes::ObjectId id, UniSetTypes::ObjectId node = UniSetTypes::DefaultObjectId);
    long getValue(UniSetTypes::ObjectId id, UniSetTypes::ObjectId node = UniSetTypes::DefaultObjectId);
    UniversalIO::IOTypes getIOType(UniSetTypes::ObjectId id, UniSetTypes::ObjectId node = UniSetTypes::DefaultObjectId);

    // "save" writes an input value on behalf of a supplier; "set" writes an output.
    void saveState(UniSetTypes::ObjectId id, bool state, UniversalIO::IOTypes type,
                   UniSetTypes::ObjectId supplier = UniSetTypes::DefaultObjectId);
    void saveState(const IOController_i::SensorInfo& si, bool state, UniversalIO::IOTypes type,
                   UniSetTypes::ObjectId supplier = UniSetTypes::DefaultObjectId);
    void saveValue(UniSetTypes::ObjectId id, long value, UniversalIO::IOTypes type,
                   UniSetTypes::ObjectId supplier = UniSetTypes::DefaultObjectId);
    void saveValue(const IOController_i::SensorInfo& si, long value, UniversalIO::IOTypes type,
                   UniSetTypes::ObjectId supplier = UniSetTypes::DefaultObjectId);
    void setState(UniSetTypes::ObjectId id, bool state, UniSetTypes::ObjectId node = UniSetTypes::DefaultObjectId);
    void setValue(UniSetTypes::ObjectId id, long value, UniSetTypes::ObjectId node = UniSetTypes::DefaultObjectId);

    // Polls until the store is ready and sensor id can be read (any sensor when id is -1);
    // false after msec (-1: no limit). pause bounds the time between two polls.
    bool waitReady(UniSetTypes::ObjectId id, int msec, int pause = 5000,
                   UniSetTypes::ObjectId node = UniSetTypes::DefaultObjectId);

private:
    UniSetObject* consumerFor(UniSetTypes::ObjectId consumer) const;
    UniSetTypes::ObjectId supplierOr(UniSetTypes::ObjectId supplier) const;

    UniSetObject* owner = nullptr;
    UniSetTypes::ObjectId ownerId = UniSetTypes::DefaultObjectId;
    const std::atomic<bool>* ownerTerminating = nullptr;
};
