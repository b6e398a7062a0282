// Skeleton of the station object: the 40 sensors of one diesel-generator set (the
// operator's commands, the control switches, the set's state and load signals, the
// lamps and the command outputs), its 31 alarm messages and the cooling lamp's blink
// phases. A sensor's declared type is what the configuration must give it; it also
// says how the value moves (postID is saved as an analog input, Reserv_f and
// Protection_BS as digital inputs, CtlMode_f is read).
#pragma once

#include "ProcessSkeleton.h"

#define SEES_SK_LIST(ITEM, FIXED, MSG, SETTING)                                                                   \
    ITEM(state_as, in, AI, mandatory, 0)                                                                           \
    ITEM(DG_Start_s, in, DI, mandatory, 0)                                                                         \
    ITEM(DG_Stop_s, in, DI, mandatory, 0)                                                                          \
    ITEM(QG_On_s, in, DI, mandatory, 0)                                                                            \
    ITEM(QG_Off_s, in, DI, mandatory, 0)                                                                           \
    ITEM(lmpDG_ON_c, out, AO, mandatory, 0)                                                                        \
    ITEM(lmpDG_OFF_c, out, AO, mandatory, 0)                                                                       \
    ITEM(lmpQG_ON_c, out, AO, mandatory, 0)                                                                        \
    ITEM(lmpQG_OFF_c, out, AO, mandatory, 0)                                                                       \
    ITEM(DG_RemoteControl_s, in, DI, mandatory, 0)                                                                 \
    ITEM(QG_RemoteControl_s, in, DI, mandatory, 0)                                                                 \
    ITEM(CtlMode_Auto_s, in, DI, mandatory, 0)                                                                     \
    ITEM(postID, out, AI, mandatory, 0)                                                                            \
    ITEM(Leader_f, in, DI, mandatory, 0)                                                                           \
    ITEM(Priority_s, in, AI, mandatory, 0)                                                                         \
    ITEM(Reserv_f, out, DI, mandatory, 0)                                                                          \
    ITEM(CtlMode_f, in, AO, mandatory, 0)                                                                          \
    ITEM(ControlMode_f, out, AO, mandatory, 0)                                                                     \
    ITEM(CtlMode_QG_bs, out, AO, mandatory, 0)                                                                     \
    ITEM(cmd_OnReserv_f, in, DI, mandatory, 0)                                                                     \
    ITEM(cmd_OffReserv_f, in, DI, mandatory, 0)                                                                    \
    ITEM(Reset_s, in, DI, mandatory, 0)                                                                            \
    ITEM(Protection_BS, out, DI, optional, 0)                                                                      \
    ITEM(NoPower_S, in, DI, mandatory, 0)                                                                          \
    ITEM(Overload95_S, in, DI, mandatory, 0)                                                                       \
    ITEM(Overload20_S, in, DI, mandatory, 0)                                                                       \
    ITEM(Overload105_S, in, DI, mandatory, 0)                                                                      \
    ITEM(Warning_S, in, DI, mandatory, 0)                                                                          \
    ITEM(ForceOn_S, in, DI, mandatory, 0)                                                                          \
    ITEM(ForceOff_S, in, DI, mandatory, 0)                                                                         \
    ITEM(InfoCode_as, in, AI, mandatory, 0)                                                                        \
    ITEM(DG_Start_C, out, DO, mandatory, 0)                                                                        \
    ITEM(DG_Stop_C, out, DO, mandatory, 0)                                                                         \
    ITEM(QG_On_C, out, DO, mandatory, 0)                                                                           \
    ITEM(QG_Off_C, out, DO, mandatory, 0)                                                                          \
    ITEM(OnControl_C, out, DO, mandatory, 0)                                                                       \
    ITEM(Reset_C, out, DO, mandatory, 0)                                                                           \
    ITEM(NotAlone_C, out, DO, mandatory, 0)                                                                        \
    ITEM(NoPower_C, out, DO, mandatory, 0)                                                                         \
    ITEM(Ping_C, out, DO, mandatory, 0)                                                                            \
    MSG(mid_starting)                                                                                              \
    MSG(mid_stopping)                                                                                              \
    MSG(mid_endStarting)                                                                                           \
    MSG(mid_endStopping)                                                                                           \
    MSG(mid_BlockedRun)                                                                                            \
    MSG(mid_SetReserv)                                                                                             \
    MSG(mid_NotReserv)                                                                                             \
    MSG(mid_SetReserv_Failure)                                                                                     \
    MSG(mid_NotOn)                                                                                                 \
    MSG(mid_NotOff)                                                                                                \
    MSG(mid_QG_NotOn)                                                                                              \
    MSG(mid_QG_NotOff)                                                                                             \
    MSG(mid_QG_NotOn_LocalControl)                                                                                 \
    MSG(mid_QG_NotOff_LocalControl)                                                                                \
    MSG(mid_ProtectionNotReset)                                                                                    \
    MSG(mid_Diesel_NotOn)                                                                                          \
    MSG(mid_Diesel_NotOff)                                                                                         \
    MSG(mid_Generator_NotOn)                                                                                       \
    MSG(mid_Generator_NotOff)                                                                                      \
    MSG(mid_NA_State)                                                                                              \
    MSG(mid_BadOperation)                                                                                          \
    MSG(mid_NotFinished)                                                                                           \
    MSG(mid_NotDischarge)                                                                                          \
    MSG(mid_NotAccept)                                                                                             \
    MSG(mid_ReservBadAction)                                                                                       \
    MSG(mid_OnReservBadAction)                                                                                     \
    MSG(mid_ProtectionOn)                                                                                          \
    MSG(mid_ProtectionOff)                                                                                         \
    MSG(mid_CollingFinished)                                                                                       \
    MSG(mid_CollingStart)                                                                                          \
    MSG(mid_SetReserv_Att)                                                                                         \
    SETTING(cooling_blink_on_time, number, "1000")                                                                 \
    SETTING(cooling_blink_off_time, number, "4000")

class SEES_SK : public ravna::ProcessSkeleton<ObjectsManager>
{
    RAVNA_SKELETON_CLASS(SEES_SK, SEES_SK_LIST)
};
