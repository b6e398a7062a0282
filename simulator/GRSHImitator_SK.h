// Skeleton of the main-switchboard simulator: commands to the bus-tie breaker QC,
// its protection, the bench's command word and the generator breakers' state codes
// in; the switchboard's supply, QC's state and the count of closed breakers out.
#pragma once

#include "ProcessSkeleton.h"

#define GRSHIMITATOR_SK_LIST(ITEM, FIXED, MSG, SETTING)                                                           \
    ITEM(GRSH_NoPower_s, out, DI, mandatory, 1)                                                                    \
    ITEM(QC_Off_S, out, DI, mandatory, 1)                                                                          \
    ITEM(QC_On_S, out, DI, mandatory, 0)                                                                           \
    ITEM(QC_Protection_S, in, DI, mandatory, 0)                                                                    \
    ITEM(QC_NA_S, out, DI, mandatory, 0)                                                                           \
    ITEM(QC_On_C, in, DO, mandatory, 0)                                                                            \
    ITEM(QC_Off_C, in, DO, mandatory, 0)                                                                           \
    ITEM(QC_SyncOn_C, in, DO, mandatory, 0)                                                                        \
    ITEM(ImitatorCmd_s, in, AI, mandatory, 0)                                                                      \
    ITEM(QG1_State_as, in, AI, mandatory, 0)                                                                       \
    ITEM(QG2_State_as, in, AI, mandatory, 0)                                                                       \
    ITEM(QG3_State_as, in, AI, mandatory, 0)                                                                       \
    ITEM(QG4_State_as, in, AI, mandatory, 0)                                                                       \
    ITEM(QG_count_as, out, AI, mandatory, 0)

class GRSHImitator_SK : public ravna::ProcessSkeleton<UniSetObject>
{
    RAVNA_SKELETON_CLASS(GRSHImitator_SK, GRSHIMITATOR_SK_LIST)
};
