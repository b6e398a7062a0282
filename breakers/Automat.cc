#include "Automat.h"

#include "AutomatOffOnlyMode.h"
#include "Configuration.h"

Automat::Automat(const std::string& name, ObjectsManager* own, xmlNode* confNode)
    : Breaker(UniSetTypes::conf->getObjectID(name), confNode)
{
    requirePositive({{"OnTime", OnTime},
                     {"OffTime", OffTime},
                     {"CommandTime", CommandTime},
                     {"stateTimeOut", stateTimeOut},
                     {"minWaitingTime", minWaitingTime}});
    start(own, {On_c, Off_c},
          {mid_HandOn, mid_HandOff, mid_NotOn, mid_NotOff, mid_NotResetProtection, mid_CurrentProtection_Att,
           mid_NA_Att},
          naTime);
}

Automat::Automat() : Breaker() {}

Automat::~Automat() = default;

void Automat::setOffOnlyMode()
{
    changeMode(AutomatOffOnlyMode::Instance());
}

void Automat::step()
{
    checkNA(false);
    // 2 protection, 10 undefined position, 1 closed, 0 open
    long code = 0;
    if (in_Protection_s)
        code = 2;
    else if (out_Automat_NA_s)
        code = 10;
    else if (in_State_On_s)
        code = 1;
    out_state_as = code;
    Breaker::step();
}
