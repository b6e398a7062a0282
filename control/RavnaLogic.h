// The bus-tie logic: the bus-tie breaker QC is to be open while more than two of
// the four generator breakers are closed, and closed while two or fewer are. The
// supervision holds that rule while one station switches its generator breaker
// (the block, set by prepareQC and cleared by releaseQCBlock), and switches the
// automatic control of QC on and off. Each pass also publishes the station's
// reserve power: group 1's alone while QC is closed, both groups' while it is open.
//
// Owns the QC object (its child). Runs its own loop; prepareQC and releaseQCBlock
// are called directly from the stations' threads (through the supervision), the
// control calls from the supervision's thread. A lock not had in time refuses a
// switching's preparation (the station asks again), leaves a release to its caller
// to repeat, and leaves the rule to the check timer.
#pragma once

#include <atomic>
#include <memory>

#include "AutomatMessages.h"
#include "DebugStream.h"
#include "Mutex.h"
#include "QC.h"
#include "RavnaLogic_SK.h"

class RavnaLogic : public RavnaLogic_SK
{
public:
    // confNode is the "RavnaLogic" node: the skeleton's sensors, "checkTime" and
    // "QC" (the bus-tie breaker's name and node). A bad node throws UniSetTypes::Exception.
    RavnaLogic(UniSetTypes::ObjectId id, xmlNode* confNode);
    // Only refuses, as the skeleton's does.
    RavnaLogic();
    ~RavnaLogic() override;

    static DebugStream dlog;
    static void initLog(const DebugStream& log);

    // --- called from other threads
    // Brings QC where a switching of a generator breaker (a close when on) needs
    // it and holds it there until releaseQCBlock; true when QC is already there.
    bool prepareQC(bool on);
    // False when the lock was not had in time: the hold stands, and the caller
    // must release it again.
    bool releaseQCBlock();
    // Automatic control of QC on and off; the protection reset of QC.
    void startQCControl();
    void stopQCControl();
    void resetQC();

protected:
    void processingMessage(UniSetTypes::VoidMessage* msg) override;
    void sensorInfo(const UniSetTypes::SensorMessage* sm) override;
    void timerInfo(const UniSetTypes::TimerMessage* tm) override;
    void step() override;

    // Guards qcBlock and numQG, and serialises the rule's decisions.
    UniSetTypes::uniset_mutex qcMutex;

private:
    enum Timers
    {
        tmCheckQC = 0 // re-applies the rule until QC is as it wants
    };

    // Applies the rule unless blocked; true when QC is already as it wants. When
    // the lock is not had, the check timer is started to apply it later.
    bool forceQC();
    // Under qcMutex: commands QC where the rule wants it (closing: one more
    // generator breaker is about to close); true when QC is there already.
    // forSwitching: a switching asks, so its commands are logged and a tripped
    // QC lets it go on.
    bool bringQC(const char* method, bool closing, bool forSwitching);
    // Closed generator breakers, -1 when one cannot be read.
    int numOfQGEnabled();
    void automatInfo(const AutomatMessage* am);
    // A tripped QC carries out no command until its protection is reset.
    bool qcTripped() const;

    int checkTime = 1000;
    std::unique_ptr<QC> qc;
    int numQG = 0;
    std::atomic<bool> qcControl{false};
    bool qcBlock = false;
};
