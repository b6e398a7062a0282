// Skeleton of the supervision: the operator's protection-reset button and its lamp,
// the generator breakers' remote-control switch and the local-control lamp, and the
// alarm for a protection not reset. An objects manager: the stations, the breakers,
// the priority lists and the bus-tie logic are its children.
#pragma once

#include "ProcessSkeleton.h"

#define SEESCONTROL_SK_LIST(ITEM, FIXED, MSG, SETTING)                                                            \
    ITEM(SEES_ProtReset_S, in, DI, mandatory, 0)                                                                   \
    ITEM(SEES_ProtResetLamp_C, out, AO, optional, 0)                                                               \
    ITEM(QG_RemoteControl_S, in, DI, mandatory, 0)                                                                 \
    ITEM(QG_LocalControlLamp_C, out, AO, mandatory, 0)                                                             \
    MSG(mid_ProtectionNotReset_Att)

class SEESControl_SK : public ravna::ProcessSkeleton<ObjectsManager>
{
    RAVNA_SKELETON_CLASS(SEESControl_SK, SEESCONTROL_SK_LIST)
};
