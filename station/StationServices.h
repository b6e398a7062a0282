// The station as its supervision sees it: the queries and reserve commands that
// the supervision and its busbar groups call directly, from the supervision's
// thread (and, for a group's leave, from a station's thread through the
// supervision). A station implements it; the group code knows stations only
// through it, so it can be driven by stand-ins.
#pragma once

#include <atomic>
#include <string>

class StationServices
{
public:
    virtual ~StationServices() = default;

    // The station's object name, by which the supervision finds it.
    virtual const std::string& getName() const = 0;

    // State queries; those that take a lock say so in the station's header.
    virtual bool isOn() = 0;
    // The set is stopped (state mOFF); a set on its way is neither on nor off. The
    // reserve's stop walk waits for it. Until a station tells the two apart, not on.
    virtual bool isOff() { return !isOn(); }
    virtual long getPriority() = 0;
    virtual bool isAutoMode() = 0;
    virtual long getF() = 0;
    virtual long getU() = 0;
    virtual long getP() = 0;
    virtual bool needReservOn() = 0;
    virtual bool needReservOff() = 0;
    virtual bool isProtection() = 0;
    virtual int getReservPower() = 0;
    virtual bool canReservStart() = 0;
    virtual bool canReservStop() = 0;

    // Commands: written to shared memory or to the station's outputs; the station
    // acts on them on its own thread. Store failures pass to the caller.
    virtual void setAlone(bool alone) = 0;
    virtual void resetReservCommands() = 0;
    virtual void commandReservOn() = 0;
    virtual void commandReservOff() = 0;
    virtual void setReserv(bool leader) = 0;
    virtual void setRequiredReserv(bool required) = 0;

    // The station number (1 and up), its identity in every call and report; set at
    // construction.
    int num = 0;
    // The number of the group that holds the station; written by the group.
    std::atomic<int> groupNum{0};
    // The group's generator-breaker leave mark for this station.
    std::atomic<bool> qgAccepted{false};
};
