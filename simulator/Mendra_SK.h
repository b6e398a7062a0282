// Skeleton of the station simulator: the commands and plant signals it reads and
// the feedback of a diesel-generator set and its breaker QG that it writes.
#pragma once

#include "ProcessSkeleton.h"

// Optional items accept any configured type; they are read and written as discrete signals.
#define MENDRA_SK_LIST(ITEM, FIXED, MSG, SETTING)                                                                 \
    ITEM(Overload95_S, out, DI, optional, 0)                                                                       \
    ITEM(Overload20_S, out, DI, optional, 0)                                                                       \
    ITEM(Overload105_S, out, DI, optional, 0)                                                                      \
    ITEM(P_as, out, AI, mandatory, 0)                                                                              \
    ITEM(DG_U_S, out, AI, mandatory, 0)                                                                            \
    ITEM(EngineRunning_S, out, DI, optional, 0)                                                                    \
    ITEM(QG_Off_S, out, DI, mandatory, 1)                                                                          \
    ITEM(QG_On_S, out, DI, mandatory, 0)                                                                           \
    ITEM(QG_NA_S, out, DI, mandatory, 0)                                                                           \
    ITEM(QG_Protection_S, in, DI, mandatory, 0)                                                                    \
    ITEM(QG_ROM_Protection_S, in, DI, mandatory, 0)                                                                \
    ITEM(ReadyForLoading_S, out, DI, mandatory, 0)                                                                 \
    ITEM(AlarmStop_S, out, DI, optional, 0)                                                                        \
    ITEM(MaxPossibleRotation_S, in, DI, optional, 0)                                                               \
    ITEM(Oil_BelowMinPressure_S, in, DI, optional, 0)                                                              \
    ITEM(DG_Discharge_C, in, DO, mandatory, 0)                                                                     \
    ITEM(DG_ReadyForStart_S, in, DI, mandatory, 0)                                                                 \
    ITEM(Overload20_Cmd_S, in, DO, mandatory, 1)                                                                   \
    ITEM(Overload95_Cmd_S, in, DO, mandatory, 1)                                                                   \
    ITEM(Overload105_Cmd_S, in, DO, mandatory, 1)                                                                  \
    ITEM(sees_state_as, out, AI, mandatory, 0)                                                                     \
    ITEM(qg_state_as, out, AI, mandatory, 0)                                                                       \
    ITEM(diesel_state_as, out, AI, mandatory, 0)                                                                   \
    ITEM(generator_state_as, out, AI, mandatory, 0)                                                                \
    ITEM(QG_On_C, in, DO, mandatory, 0)                                                                            \
    ITEM(QG_Off_C, in, DO, mandatory, 0)                                                                           \
    ITEM(QG_SyncOn_C, in, DO, mandatory, 0)                                                                        \
    ITEM(Diesel_Start_C, in, DO, mandatory, 0)                                                                     \
    ITEM(Diesel_Stop_C, in, DO, mandatory, 0)                                                                      \
    ITEM(ResetProtection_S, in, DO, mandatory, 0)                                                                  \
    ITEM(QG_RemoteControl_S, in, DI, mandatory, 0)                                                                 \
    ITEM(GEU_Power_s, in, AI, mandatory, 0)                                                                        \
    ITEM(QG_count_as, in, AI, mandatory, 0)                                                                        \
    ITEM(QG_Protection_L, out, DI, mandatory, 0)                                                                   \
    ITEM(SEES_Protection_L, out, DI, mandatory, 0)                                                                 \
    ITEM(QG_LocalControl_S, out, DI, optional, 0)

class Mendra_SK : public ravna::ProcessSkeleton<UniSetObject>
{
    RAVNA_SKELETON_CLASS(Mendra_SK, MENDRA_SK_LIST)
};
