// What the three unit monitors share: the mapper that turns their state code into
// discrete sensors, and the lock under which the station's thread asks about the code.
#pragma once

#include <atomic>
#include <libxml/tree.h>

#include "A2D.h"
#include "DebugStream.h"
#include "MessageType.h"
#include "Mutex.h"
#include "UniSetObject.h"

class UnitWatch
{
public:
    explicit UnitWatch(xmlNode* node) : a2d(node) {}

    // Hands a message of the state code to the mapper; a mapper failure is
    // logged on log and goes no further.
    void mapState(UniSetObject& self, const UniSetTypes::SensorMessage* sm, const DebugStream& log);

    // Whether the stored code equals code, asked under the lock with a time-out; the
    // answer is given whether or not the lock was had in time.
    bool stateIs(const std::atomic<long>& stored, long code, int lockTimeoutMs);

    A2D a2d;
    UniSetTypes::uniset_mutex mutex;
};
