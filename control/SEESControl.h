// The supervision: the top object of the station control. Built from its node of
// the configuration with every station, breaker and busbar group; keeps reserve
// power on line per working busbar group, lets one generator breaker switch at a
// time in the whole plant, drives the bus-tie logic, the automatic switch-off
// chain and the protection-reset lamp.
//
// Threads: the supervision's own loop runs every handler and the groups' periodic
// work. The stations' threads call canRun, acceptQG, releaseQG and isAlone directly
// (SEESOwner) and queue their reports; those calls and the loop meet under
// _grMutex. A caller that does not get the lock in time refuses and changes nothing
// (the station asks again), and a figure waits for its next period; but a duty is
// never dropped. A release is kept and done by the next holder of the lock; the
// effect of an event on the supervision's thread (a tie's rebuild, a station's
// report, a required-reserve input) is put off to the next pass that has the lock,
// and so is one that a group's own lock kept from being done whole.
#pragma once

#include <list>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "APSLamp.h"
#include "Automat.h"
#include "AutomatMessages.h"
#include "DebugStream.h"
#include "ExclusiveTrigger.h"
#include "Mutex.h"
#include "PassiveTimer.h"
#include "PriorityController.h"
#include "RavnaLogic.h"
#include "SEES.h"
#include "SEESControlLists.h"
#include "SEESControl_SK.h"
#include "SEESMessages.h"
#include "SEESOwner.h"
#include "UnionGroups.h"

class SEESControl : public SEESControl_SK, public SEESOwner
{
public:
    // name is the object's name ("SEESControl"), cnode its node. A configuration
    // fault throws UniSetTypes::Exception with a text naming what is wrong.
    SEESControl(const std::string& name, xmlNode* cnode);
    // Only refuses, as the skeleton's does.
    SEESControl();
    ~SEESControl() override;

    static DebugStream dlog;
    static void initLog(const DebugStream& log);

    // --- the stations' calls (their own threads)
    // Whether station num may start its set: its working group has room.
    bool canRun(int num) override;
    // Leave for station num to switch its generator breaker; one at a time in the plant.
    bool acceptQG(int num, bool on) override;
    // Gives back what station num holds: the leave and the bus-tie hold. Done at
    // once, or as soon as the lock is had (an ask, a release, the next pass).
    void releaseQG(int num) override;
    // Whether no other station of num's working group is on.
    bool isAlone(int num) override;
    void pushReport(const UniSetTypes::TransportMessage& msg) override { push(msg); }

    // Automatic control of the breakers and the bus-tie breaker on or off.
    void setControl(bool state);
    // Writes one of the object's own outputs: three attempts, 100 ms apart.
    void command(UniSetTypes::ObjectId id, bool state);

    int findAutomatIndex(const std::string& name) const;
    Automat* findAutomat(const std::string& name) const;

    // What the lists were built into (the supervision's thread).
    const std::vector<AutomatEntry>& automats() const { return automatTable; }
    const std::vector<OffEntry>& offLinks() const { return offList; }
    const std::list<std::unique_ptr<SEES>>& stations() const { return sesList; }
    // The working groups; read under no lock, so on the supervision's thread or in tests.
    const std::list<std::unique_ptr<UnionGroups>>& workingGroups() const { return groupList; }
    // The settings every new working group gets.
    GroupSettings groupSettings() const;
    int reservPowerInterval() const { return reservPowerTimer.getInterval(); }
    int powerInfoInterval() const { return updatePowerTimer.getInterval(); }
    int acceptedStation() const { return acceptedQG; }
    bool hasProtection() const { return protection; }

protected:
    void processingMessage(UniSetTypes::VoidMessage* msg) override;
    void askSensors(UniversalIO::UIOCommand cmd) override;
    void sensorInfo(const UniSetTypes::SensorMessage* sm) override;
    void timerInfo(const UniSetTypes::TimerMessage* tm) override;
    void step() override;

    void seesInfo(const SEESMessage* m);
    void automatInfo(const AutomatMessage* am);
    // Starts the switch-off links whose closing breaker is qid.
    void checkOffList(UniSetTypes::ObjectId qid);

    bool checkProtection();
    void updateGroups();
    void updateReservPower();
    void updatePowerInfo();
    // Rebuilds the working groups when the bus ties have joined or parted them.
    void updateStructure();

    // Guards groupList, acceptedQG and qcBlockHolder.
    UniSetTypes::uniset_mutex _grMutex;

private:
    // The structure groups of each working group, in structure order.
    using Topology = std::vector<std::vector<UnionGroups*>>;

    void buildControlObjects(xmlNode* cnode);
    void readSettings();
    void buildSESList(xmlNode* cnode);
    void buildAutomatList(xmlNode* cnode);
    void buildOFFList(xmlNode* cnode);
    void buildStructure(xmlNode* cnode);
    void buildGroup(xmlNode* element);
    void buildAutomat(xmlNode* element);
    void buildASensor(xmlNode* element);
    SEES* findSEES(const std::string& name) const;
    // A crit line and the exception with the same text.
    [[noreturn]] void fail(const std::string& text) const;

    // Work an event asked for and a lock time-out put off; the supervision's thread
    // does it at its next pass that has _grMutex. Touched on that thread only.
    struct PutOff
    {
        bool structure = false;
        bool protection = false;
        bool groups = false;
        bool requiredReserv = false;
    };
    // Runs work (true once done whole) under _grMutex; due tells whether it is
    // still to do, also when the lock was not had in time.
    template <class Work>
    void nowOrLater(bool& due, int timeoutMs, const char* method, Work work);
    // Under _grMutex: runs work, contained; due tells whether it is still to do.
    template <class Work>
    void runDuty(bool& due, const char* method, Work work);
    // Under _grMutex, on the supervision's thread: the work put off.
    void completePutOff();
    // Under _grMutex, each true when done whole.
    bool restructure();
    bool refreshProtection();
    bool refreshGroups();
    bool handRequiredReserv();

    // Under _grMutex.
    Topology readTopology() const;
    // False when a step could not have a group's lock: the working groups stay
    // as they were, and the rebuild is to be done again.
    bool rebuildGroups(const Topology& topology);
    // Under _grMutex: calls f(group) for every working group; NameNotFound means
    // the group does not hold the station, and the next is asked. True when a
    // group answered.
    template <class F>
    bool askGroups(F f);
    // Under _grMutex: gives back what num holds; false when a group's lock was not
    // had, and nothing of the group's part is done yet.
    bool giveBack(int num);
    // Under _grMutex: the releases kept for later, each done or kept again.
    void completeReleases();
    void keepRelease(int num);
    void forgetRelease(int num);
    bool releaseKept(int num);
    // Under _grMutex: the same over every working group, each failure logged.
    template <class F>
    void forEachGroup(const char* method, F f);
    // Runs f; whatever it throws is logged as who's and goes no further.
    template <class F>
    void contained(const char* method, const std::string& who, F f);

    APSLamp apsLamp;
    std::unique_ptr<PriorityController> priorityController;
    std::unique_ptr<RavnaLogic> ravnaLogic;
    std::unique_ptr<ExclusiveTrigger<SEESControl_SK, UniSetTypes::ObjectId, bool>> msgTrigger;
    int maxWorkingDG = 3;
    std::list<std::unique_ptr<SEES>> sesList;
    std::list<std::unique_ptr<UnionGroups>> groupList;
    // The topology groupList was built for; groupsBuilt once it has been built.
    Topology topology;
    bool groupsBuilt = false;
    int acceptedQG = 0;
    // The station whose switching the bus-tie logic last held QC for; 0 none.
    int qcBlockHolder = 0;
    // Stations whose release is not done yet, in the order asked. Guarded by
    // releasesMutex alone, held only to touch the list, so a station that could not
    // have _grMutex can still leave its release here.
    std::mutex releasesMutex;
    std::vector<int> keptReleases;
    PutOff putOff;
    std::list<StructureObject> structList;
    std::list<std::unique_ptr<ASensor>> asensorList;
    bool protection = false;
    int checkReservTime = 5000;
    int reservStatePause = 10000;
    int reservCommandTimeout = 50000;
    std::vector<std::unique_ptr<Automat>> automatObjects;
    std::vector<AutomatEntry> automatTable;
    std::vector<OffEntry> offList;
    PassiveTimer reservPowerTimer;
    PassiveTimer updatePowerTimer;
    int f_min = 0;
    int f_max = 0;
    int U_min = 0;
    int U_max = 0;
    int deviation_f_timeout_msec = 10000;
    int deviation_U_timeout_msec = 10000;
};

// The supervision prints as its name in log lines.
std::ostream& operator<<(std::ostream& os, const SEESControl& c);
