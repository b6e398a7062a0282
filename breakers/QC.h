// The bus-tie breaker between the switchboard's sections: an Automat that can also
// close through the synchroniser (SyncOn_c), watching the synchroniser's fault signal
// while it does. Every event goes to the current mode (QCModes.h).
#pragma once

#include <string>

#include "Breaker.h"
#include "QC_SK.h"

class QC : public Breaker<QC, QC_SK>
{
public:
    static constexpr const char* className = "QC";
    static constexpr bool hasSynchroniser = true;
    static constexpr bool hasAutoReset = false;
    static constexpr const char* undefinedEntryText = ": НЕОПРЕДЕЛЁННОЕ СОСТОЯНИЕ ";
    static constexpr const char* refusedCommandText = "(automatCommand): on_command.. ";
    static constexpr const char* onLabel = " On_s=";
    static constexpr const char* offLabel = " Off_s=";

    // num is kept for the creator's sake; nothing reads it.
    QC(int num, const std::string& name, ObjectsManager* owner, xmlNode* confNode);
    QC();
    ~QC() override;

    // Any thread: queues a close through the synchroniser.
    void cmdOnSync();

    std::atomic<bool>& naFlag() { return out_State_NA_s; }
    UniSetTypes::ObjectId naSensor() const { return State_NA_s; }

    // Timing, read from the breaker's node (ms).
    int OnTime = 0;
    int OffTime = 0;
    int DischargeOffTime = 0;
    int OnSyncTime = 0;
    int stateTimeOut = 0;
    int CommandTime = 0;
    int minWaitingTime = 0;
    int askTimeout = 0;
    int askPause = 0;
    int offPause = 0;
    int num = 0;

protected:
    void sensorInfo(const UniSetTypes::SensorMessage* sm) override;
};
