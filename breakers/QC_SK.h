// Skeleton of the bus-tie breaker: the breaker's signals plus the synchroniser's
// fault input and its close command, nine alarm messages, no class settings (the
// bus-tie breaker reads its timing itself).
#pragma once

#include "ProcessSkeleton.h"

#define QC_SK_LIST(ITEM, FIXED, MSG, SETTING)                                                                     \
    ITEM(State_On_s, in, DI, mandatory, 0)                                                                         \
    ITEM(State_Off_s, in, DI, mandatory, 0)                                                                        \
    ITEM(Protection_s, in, DI, mandatory, 0)                                                                       \
    ITEM(Synchro_Failure_s, in, DI, mandatory, 0)                                                                  \
    ITEM(On_c, out, DO, mandatory, 0)                                                                              \
    ITEM(Off_c, out, DO, mandatory, 0)                                                                             \
    ITEM(SyncOn_c, out, DO, mandatory, 0)                                                                          \
    ITEM(State_NA_s, out, DI, mandatory, 0)                                                                        \
    MSG(mid_HandOn)                                                                                                \
    MSG(mid_HandOff)                                                                                               \
    MSG(mid_NotOn)                                                                                                 \
    MSG(mid_NotOff)                                                                                                \
    MSG(mid_SyncFailure)                                                                                           \
    MSG(mid_SyncOn)                                                                                                \
    MSG(mid_NotResetProtection)                                                                                    \
    MSG(mid_CurrentProtection_Att)                                                                                 \
    MSG(mid_NA_Att)

class QC_SK : public ravna::ProcessSkeleton<UniSetObject>
{
    RAVNA_SKELETON_CLASS(QC_SK, QC_SK_LIST)
};
