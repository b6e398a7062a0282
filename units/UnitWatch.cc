#include "UnitWatch.h"

#include "Exceptions.h"

void UnitWatch::mapState(UniSetObject& self, const UniSetTypes::SensorMessage* sm, const DebugStream& log)
{
    try
    {
        a2d.sensorInfo(&self.ui, sm);
    }
    catch (const UniSetTypes::Exception& ex)
    {
        log.crit() << self.getName() << "(sensorInfo): " << ex << std::endl;
    }
}

bool UnitWatch::stateIs(const std::atomic<long>& stored, long code, int lockTimeoutMs)
{
    UniSetTypes::uniset_mutex_lock lock(mutex, lockTimeoutMs);
    return stored.load() == code;
}
