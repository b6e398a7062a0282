// Skeleton of the emergency set's state object. Its sensors are wired by number:
// the ids are fixed here, every one on the local node, and the object's node
// carries only the shared settings.
#pragma once

#include "ProcessSkeleton.h"

#define ADGSTATE_SK_LIST(ITEM, FIXED, MSG, SETTING)                                                               \
    FIXED(901, 901, in, DI)                                                                                        \
    FIXED(902, 902, in, DI)                                                                                        \
    FIXED(903, 903, in, DI)                                                                                        \
    FIXED(ADG_Generator_State_AS, 10146, out, AI)                                                                  \
    FIXED(ADG_State_AS, 10151, out, AI)                                                                            \
    FIXED(10101, 10101, in, DI)                                                                                    \
    FIXED(10102, 10102, in, DI)                                                                                    \
    FIXED(10103, 10103, in, DI)

class ADGState_SK : public ravna::ProcessSkeleton<UniSetObject>
{
    RAVNA_SKELETON_CLASS(ADGState_SK, ADGSTATE_SK_LIST)

public:
    // This revision's name for setState: writes one of the two outputs at once.
    void setValue(UniSetTypes::ObjectId sid, long value) { setOutput(sid, value, "setValue"); }
    void setBoolValue(UniSetTypes::ObjectId sid, bool state) { setValue(sid, state ? 1 : 0); }

    // There are no alarm messages: every id is reported as unknown, the id included.
    bool alarm(UniSetTypes::ObjectId code, bool state) override;
};
