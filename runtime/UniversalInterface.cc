#include "UniversalInterface.h"

#include <algorithm>

#include "Clock.h"
#include "Exceptions.h"
#include "ObjectRegistry.h"
#include "Store.h"

UniSetObject* UniversalInterface::consumerFor(UniSetTypes::ObjectId consumer) const
{
    if (consumer == UniSetTypes::DefaultObjectId || (owner && consumer == ownerId))
    {
        if (!owner)
            throw UniSetTypes::Exception("(ask): no consumer for the notification");
        return owner;
    }
    UniSetObject* obj = uniset::findObject(consumer);
    if (!obj)
        throw UniSetTypes::NameNotFound("(ask): unknown consumer id=" + std::to_string(consumer));
    return obj;
}

UniSetTypes::ObjectId UniversalInterface::supplierOr(UniSetTypes::ObjectId supplier) const
{
    if (supplier != UniSetTypes::DefaultObjectId || !owner)
        return supplier;
    return ownerId;
}

void UniversalInterface::askSensor(UniSetTypes::ObjectId id, UniversalIO::UIOCommand cmd, UniSetTypes::ObjectId consumer)
{
    uniset::store().ask(id, cmd, consumerFor(consumer));
}

void UniversalInterface::askState(UniSetTypes::ObjectId id, UniversalIO::UIOCommand cmd, UniSetTypes::ObjectId consumer)
{
    askSensor(id, cmd, consumer);
}

void UniversalInterface::askRemoteSensor(UniSetTypes::ObjectId id, UniversalIO::UIOCommand cmd, UniSetTypes::ObjectId,
                                         UniSetTypes::ObjectId consumer)
{
    askSensor(id, cmd, consumer);
}

bool UniversalInterface::getState(UniSetTypes::ObjectId id, UniSetTypes::ObjectId) { return uniset::store().getValue(id) != 0; }

long UniversalInterface::getValue(UniSetTypes::ObjectId id, UniSetTypes::ObjectId) { return uniset::store().getValue(id); }

UniversalIO::IOTypes UniversalInterface::getIOType(UniSetTypes::ObjectId id, UniSetTypes::ObjectId)
{
    return uniset::store().getIOType(id);
}

void UniversalInterface::saveState(UniSetTypes::ObjectId id, bool state, UniversalIO::IOTypes, UniSetTypes::ObjectId supplier)
{
    uniset::store().setValue(id, state ? 1 : 0, supplierOr(supplier));
}

void UniversalInterface::saveState(const IOController_i::SensorInfo& si, bool state, UniversalIO::IOTypes type,
                                   UniSetTypes::ObjectId supplier)
{
    saveState(si.id, state, type, supplier);
}

void UniversalInterface::saveValue(UniSetTypes::ObjectId id, long value, UniversalIO::IOTypes, UniSetTypes::ObjectId supplier)
{
    uniset::store().setValue(id, value, supplierOr(supplier));
}

void UniversalInterface::saveValue(const IOController_i::SensorInfo& si, long value, UniversalIO::IOTypes type,
                                   UniSetTypes::ObjectId supplier)
{
    saveValue(si.id, value, type, supplier);
}

void UniversalInterface::setState(UniSetTypes::ObjectId id, bool state, UniSetTypes::ObjectId)
{
    uniset::store().setValue(id, state ? 1 : 0, supplierOr(UniSetTypes::DefaultObjectId));
}

void UniversalInterface::setValue(UniSetTypes::ObjectId id, long value, UniSetTypes::ObjectId)
{
    uniset::store().setValue(id, value, supplierOr(UniSetTypes::DefaultObjectId));
}

bool UniversalInterface::waitReady(UniSetTypes::ObjectId id, int msec, int pause, UniSetTypes::ObjectId)
{
    // Poll often whatever pause says: a ready store should be seen within a few ms.
    const int step = std::clamp(pause, 1, 20);
    const int64_t start = uniset::clock().nowMs();
    while (true)
    {
        try
        {
            uniset::Store& s = uniset::store();
            if (s.isReady())
            {
                if (id == UniSetTypes::DefaultObjectId)
                    return true;
                s.getValue(id);
                return true;
            }
        }
        catch (const UniSetTypes::Exception&)
        {
        }
        if (msec >= 0 && uniset::clock().nowMs() - start >= msec)
            return false;
        if (ownerTerminating && ownerTerminating->load())
            return false;
        if (!uniset::clock().isReal() && msec < 0)
            return false;   // a manual clock never makes a missing store appear
        uniset::clock().sleepMs(step);
    }
}
