// A node of the busbar group tree: one SEESGroup, the group's sensors and child
// nodes. A node per configured <group> carries the element's sensors; a union node
// (numbers from 101, built at run time over groups joined by closed ties) has none
// of its own and writes what its group computes to the sensors of its children,
// so every configured group shows the state of the union it belongs to.
//
// Runs on the supervision's thread only; the node has no lock of its own. Every
// walk goes on past a failing write or group, with a crit line. An operation that
// does a duty answers false when a group's lock was not had in time, so that the
// supervision does it again.
#pragma once

#include <list>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include <libxml/tree.h>

#include "DebugStream.h"
#include "MessageType.h"
#include "SEESGroup.h"
#include "UniversalInterface.h"

class UnionGroups
{
public:
    using Children = std::list<UnionGroups*>;

    // A union node: no sensors, its group named "SEESGroup" and the number.
    explicit UnionGroups(int num);
    // A configured node from its <group> element: "num", the station items (read
    // by the caller) and the sensor attributes; a bad element throws UniSetTypes::Exception.
    explicit UnionGroups(xmlNode* groupElement);
    ~UnionGroups();
    UnionGroups(const UnionGroups&) = delete;
    UnionGroups& operator=(const UnionGroups&) = delete;

    static DebugStream dlog;
    static void initLog(const DebugStream& log);

    SEESGroup& group() { return *seesGroup; }
    const SEESGroup& group() const { return *seesGroup; }
    const std::string& getName() const { return name; }
    const Children& getChildren() const { return children; }

    // The child's stations join this node's group; the child is not owned. False
    // when the group's lock was not had and nobody joined.
    bool addGroup(UnionGroups* child);
    void clearChildren();
    bool clear();

    // Records a required-reserve input of this node or its children, then hands
    // the union's demand on (handRequiredReserv).
    bool updateRequiredReserv(const UniSetTypes::SensorMessage* sm);
    // Records the message's state where it is this node's or a child's input.
    void recordRequiredReserv(const UniSetTypes::SensorMessage* sm);
    // The union's demand (some child demands reserve) to this node's stations,
    // once; false when the group's lock was not had.
    bool handRequiredReserv();
    // Asks (or cancels) the required-reserve inputs of this node and its children;
    // false when some ask failed (each failure logged).
    bool askSensors(UniversalInterface& ui, UniversalIO::UIOCommand cmd);

    // The group's step, then its no-reserve and ready-for-loading outputs; false
    // when a part could not have the group's lock (the outputs not known keep
    // their last value).
    bool updateReadyForLoading(UniversalInterface& ui);
    bool updateNoReserv(UniversalInterface& ui);
    void updateP(UniversalInterface& ui);
    void updateU(UniversalInterface& ui);
    void updateF(UniversalInterface& ui);
    void updateFdev(UniversalInterface& ui);
    void updateUdev(UniversalInterface& ui);
    void updateReservPower(UniversalInterface& ui);
    // P, U, f, the deviation check, the two verdicts; a failure is logged and ends
    // this node's part only, so a walk over the groups goes on.
    void updatePowerInfo(UniversalInterface& ui);
    // The group's reserve check and deviation verdicts.
    void checkTimers();

    // Per child " (" and its stations ")".
    static void printChildren(std::ostream& os, const Children& list);

private:
    enum class Write
    {
        analogInput,  // saveValue
        digitalInput, // saveState
        output        // setState
    };
    // The value to the node's own sensor (one attempt), then to each child's (three).
    // No value (the group could not read it) writes nothing: the sensors keep the
    // last one published, and the answer is false.
    bool publish(UniSetTypes::ObjectId UnionGroups::*sensor, const char* method, std::optional<long> value,
                 Write how, UniversalInterface& ui);
    template <class F>
    void guarded(const char* method, F f);

    UniSetTypes::ObjectId noReserv_s = UniSetTypes::DefaultObjectId;
    UniSetTypes::ObjectId readyForLoading_s = UniSetTypes::DefaultObjectId;
    UniSetTypes::ObjectId P_as = UniSetTypes::DefaultObjectId;
    UniSetTypes::ObjectId U_as = UniSetTypes::DefaultObjectId;
    UniSetTypes::ObjectId f_as = UniSetTypes::DefaultObjectId;
    UniSetTypes::ObjectId fdev_c = UniSetTypes::DefaultObjectId;
    UniSetTypes::ObjectId Udev_c = UniSetTypes::DefaultObjectId;
    UniSetTypes::ObjectId ReservPower_as = UniSetTypes::DefaultObjectId;
    UniSetTypes::ObjectId requiredReserv_s = UniSetTypes::DefaultObjectId;
    std::unique_ptr<SEESGroup> seesGroup;
    Children children;
    std::string name;
    bool requiredReservState = false;
};

// The node's name and its children's stations.
std::ostream& operator<<(std::ostream& os, const UnionGroups& g);
