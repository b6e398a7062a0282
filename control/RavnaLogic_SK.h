// Skeleton of the bus-tie logic: the four generator breakers' and the bus-tie
// breaker's closed states, the two busbar groups' reserve powers, and the
// station's reserve power it publishes. An objects manager: the bus-tie breaker
// is its child.
#pragma once

#include "ProcessSkeleton.h"

#define RAVNALOGIC_SK_LIST(ITEM, FIXED, MSG, SETTING)                                                             \
    ITEM(QGM1_State_s, in, DI, mandatory, 0)                                                                       \
    ITEM(QGM2_State_s, in, DI, mandatory, 0)                                                                       \
    ITEM(QGM3_State_s, in, DI, mandatory, 0)                                                                       \
    ITEM(QGM4_State_s, in, DI, mandatory, 0)                                                                       \
    ITEM(QC_State_s, in, DI, mandatory, 0)                                                                         \
    ITEM(Group1_ReservPower_as, in, AI, mandatory, 0)                                                              \
    ITEM(Group2_ReservPower_as, in, AI, mandatory, 0)                                                              \
    ITEM(SES_ReservPower_as, out, AI, mandatory, 0)

class RavnaLogic_SK : public ravna::ProcessSkeleton<ObjectsManager>
{
    RAVNA_SKELETON_CLASS(RavnaLogic_SK, RAVNALOGIC_SK_LIST)
};
