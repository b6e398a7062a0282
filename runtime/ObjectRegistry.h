// Objects by id, so that a notification can name its consumer by id. An object with
// an id registers itself as it is built and leaves as it is destroyed.
#pragma once

#include "UniSetTypes.h"

class UniSetObject;

namespace uniset
{
    // The live object of that id; nullptr when none.
    UniSetObject* findObject(UniSetTypes::ObjectId id);
    void registerObject(UniSetTypes::ObjectId id, UniSetObject* obj);
    // Only when obj is still the one registered under id.
    void unregisterObject(UniSetTypes::ObjectId id, UniSetObject* obj);
}
