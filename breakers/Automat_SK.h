// Skeleton of a circuit breaker: two position signals, the protection signal, the
// close and open commands, the undefined-position flag and the state code, the
// breaker's seven alarm messages and its nine timing and behaviour settings.
#pragma once

#include "ProcessSkeleton.h"

#define AUTOMAT_SK_LIST(ITEM, FIXED, MSG, SETTING)                                                                \
    ITEM(State_On_s, in, DI, mandatory, 0)                                                                         \
    ITEM(State_Off_s, in, DI, mandatory, 0)                                                                        \
    ITEM(Protection_s, in, DI, mandatory, 0)                                                                       \
    ITEM(On_c, out, DO, mandatory, 0)                                                                              \
    ITEM(Off_c, out, DO, mandatory, 0)                                                                             \
    ITEM(Automat_NA_s, out, DI, mandatory, 0)                                                                      \
    ITEM(state_as, out, AI, optional, 0)                                                                           \
    MSG(mid_HandOn)                                                                                                \
    MSG(mid_HandOff)                                                                                               \
    MSG(mid_NotOn)                                                                                                 \
    MSG(mid_NotOff)                                                                                                \
    MSG(mid_NotResetProtection)                                                                                    \
    MSG(mid_CurrentProtection_Att)                                                                                 \
    MSG(mid_NA_Att)                                                                                                \
    SETTING(autoResetProtection, flag, "0")                                                                        \
    SETTING(OnTime, number, "")                                                                                    \
    SETTING(OffTime, number, "")                                                                                   \
    SETTING(stateTimeOut, number, "500")                                                                           \
    SETTING(CommandTime, number, "500")                                                                            \
    SETTING(minWaitingTime, number, "300")                                                                         \
    SETTING(offPause, number, "200")                                                                               \
    SETTING(CheckStateTime, number, "2000")                                                                        \
    SETTING(naTime, number, "500")

class Automat_SK : public ravna::ProcessSkeleton<UniSetObject>
{
    RAVNA_SKELETON_CLASS(Automat_SK, AUTOMAT_SK_LIST)
};
