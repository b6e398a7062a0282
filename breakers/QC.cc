#include "QC.h"

#include "Configuration.h"

using namespace UniSetTypes;

QC::QC(int n, const std::string& name, ObjectsManager* own, xmlNode* confNode)
    : Breaker(conf->getObjectID(name), confNode), num(n)
{
    for (auto [setting, field] : {std::pair<const char*, int*>{"OnTime", &OnTime},
                                  {"OffTime", &OffTime},
                                  {"DischargeOffTime", &DischargeOffTime},
                                  {"OnSyncTime", &OnSyncTime},
                                  {"stateTimeOut", &stateTimeOut},
                                  {"CommandTime", &CommandTime},
                                  {"minWaitingTime", &minWaitingTime},
                                  {"askTimeout", &askTimeout},
                                  {"askPause", &askPause},
                                  {"offPause", &offPause}})
        *field = conf->getIntProp(confNode, setting);

    requirePositive({{"OnTime", OnTime},
                     {"OnSyncTime", OnSyncTime},
                     {"OffTime", OffTime},
                     {"DischargeOffTime", DischargeOffTime},
                     {"CommandTime", CommandTime},
                     {"stateTimeOut", stateTimeOut},
                     {"minWaitingTime", minWaitingTime},
                     {"askTimeout", askTimeout},
                     {"askPause", askPause}});
    start(own, {On_c, Off_c, SyncOn_c},
          {mid_HandOn, mid_HandOff, mid_NotOn, mid_NotOff, mid_SyncOn, mid_NotResetProtection,
           mid_CurrentProtection_Att, mid_NA_Att},
          conf->getPIntProp(confNode, "naTime", 500));
}

QC::QC() : Breaker() {}

QC::~QC() = default;

void QC::cmdOnSync()
{
    pushCommand(AutomatMessage::cmdOnSync);
}

void QC::sensorInfo(const SensorMessage* sm)
{
    // The synchroniser's fault is an alarm only while we close through it.
    if (sm->id == Synchro_Failure_s)
        alarm(mid_SyncFailure, out_SyncOn_c && sm->state);
    Breaker::sensorInfo(sm);
}
