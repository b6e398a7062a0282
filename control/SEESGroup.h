// The stations that feed one busbar group: the leader (the automatic station with
// the best priority), the ordered reserve list and its start and stop walks, the
// working count and alone flags, the one-at-a-time leave for a generator-breaker
// switching, and the group's measurements with their deviation verdicts.
//
// The group has no thread: the supervision's loop drives it, and the stations'
// threads reach acceptQG, releaseQG and canRun through the supervision. A lock
// that is not had in time refuses: the call answers "no" (false, 0, no leave),
// changes nothing and logs a crit line. A call that does a duty (a join, a
// takeover, the refresh, the demand for reserve) answers false then, so that its
// caller does it again. A figure or flag that could not be read comes back empty,
// never as a 0 that would pass for a measurement.
#pragma once

#include <list>
#include <optional>
#include <ostream>
#include <string>

#include "DebugStream.h"
#include "Mutex.h"
#include "PassiveTimer.h"
#include "station/StationServices.h"

// What the supervision hands every group it makes, from its own settings.
struct GroupSettings
{
    int reservStatePause = 10000;     // ms of settling after a reserve station reached its state
    int reservCommandTimeout = 50000; // ms a reserve command is awaited
    int checkReservTime = 5000;       // ms between reserve checks while a walk waits
    int maxWorking = 3;               // most stations working at once
    int f_min = 0, f_max = 0;         // frequency band; off while f_min <= 0
    int U_min = 0, U_max = 0;         // voltage band; off while U_min <= 0
    int fdevTimeout = 0;              // ms of frequency deviation tolerated; <= 0 none
    int udevTimeout = 0;              // ms of voltage deviation tolerated; <= 0 none
};

class SEESGroup
{
public:
    using StationList = std::list<StationServices*>;

    // An empty name gives "SEESGroup" and the number.
    SEESGroup(int num, const std::string& name);
    ~SEESGroup();
    SEESGroup(const SEESGroup&) = delete;
    SEESGroup& operator=(const SEESGroup&) = delete;

    static DebugStream dlog;
    static void initLog(const DebugStream& log);

    // Timings, the working limit and the bands; a positive deviation time arms
    // that quantity with its full tolerance.
    void configure(const GroupSettings& settings);

    int getNum() const { return num; }
    const std::string& getName() const { return name; }

    // --- members (the supervision's thread)
    // Sets the station's group number; appends it unless one of that number is here.
    bool addSES(StationServices* ses);
    // Every member of other joins this group, under one lock; false when it was
    // not had in time and nobody joined.
    bool addGroup(const SEESGroup& other);
    bool removeSES(StationServices* ses);
    StationServices* findSES(int sesNum);
    // Empties the members and the reserve list; false when the lock was not had.
    bool clearStations();
    // Takes over from a group this one replaces (the groups are rebuilt when the
    // busbars are joined or parted): the reserve entries of the stations it holds
    // too, a reserve walk's pending check and, with deviation, the deviation state.
    // False when a lock was not had in time and nothing was taken.
    bool takeOver(SEESGroup& old, bool deviation);
    // The members in joining order, read on the thread that changes them.
    const StationList& members() const { return stations; }

    // --- the reserve (the supervision's thread); false where a lock was not had
    // Leader and list, the leader's demand, counts, alone flags, deviation check;
    // false when some part could not have its lock (the deviation check is a
    // figure, done again on the next measurement).
    bool step();
    // The periodic reserve check when due (a check not had stays due), then the
    // deviation verdicts.
    void checkTimers();
    bool makeReservList();
    bool checkReserv();
    bool setRequiredReserv(bool required);

    // --- generator-breaker leave (a station's thread, through the supervision)
    // The number of the station that holds the group's leave: sesNum when granted
    // to it, another when that one holds it, 0 when refused for a lock time-out.
    // UniSetTypes::NameNotFound when nobody holds it and sesNum is no member.
    int acceptQG(int sesNum);
    enum class Release
    {
        released,  // the leave was sesNum's and is free again
        notHeld,   // sesNum held nothing: nothing changes (a warning)
        notLocked  // the list lock was not had in time: nothing done yet
    };
    // Gives back sesNum's leave; NameNotFound for no member.
    Release releaseQG(int sesNum);
    // Whether one more unit may start: fewer than the limit work now.
    // NameNotFound for no member.
    bool canRun(int sesNum);

    // --- counts and flags (the supervision's thread)
    // The flags below are empty when the list lock was not had in time.
    std::optional<bool> hasProtection();
    // Some working member has no demand for more reserve.
    std::optional<bool> isReadyForLoading();
    std::optional<bool> noReserv();
    bool updateWorkingCount();
    // The count of the last updateWorkingCount; -1 when its lock was not had.
    int numOfWorking();
    bool updateSingleFlags();

    // --- measurements (the supervision's thread); empty when the list lock was not
    // had in time. A member's reading beyond int is pinned at the end of the range.
    std::optional<int> getP();
    // The voltage (frequency) of the first member that delivers one; 0 when none.
    std::optional<int> getU();
    std::optional<int> getF();
    std::optional<int> getReservPower();
    // A quantity whose figure could not be read keeps its budget for this pass.
    void checkDeviation();
    bool getUdev() const { return udev.verdict; }
    bool getFdev() const { return fdev.verdict; }

protected:
    // A reserve station and where the walks left it.
    struct ReservEntry
    {
        explicit ReservEntry(StationServices* s) : ses(s) {}
        StationServices* ses;
        PassiveTimer timer{0};   // command time-out or settling pause; 0: expired
        bool targetReached = true;
        bool runCommanded = false;
        bool stopCommanded = false;
    };
    using ReservList = std::list<ReservEntry>;

    // One supervised quantity: its band, and the tolerance budget that drains while
    // it is outside and refills while inside, up to its cap.
    struct DeviationWatch
    {
        void arm(int timeoutMs);
        // outside: the quantity is out of band now.
        void check(bool outside);
        void updateVerdict() { verdict = active && timer.checkTime(); }
        bool enabled() const { return min > 0; }
        bool isOutside(int value) const { return value > 0 && (value < min || value > max); }

        int min = 0;
        int max = 0;
        PassiveTimer timer;
        bool active = false;
        int left = 0;
        int limit = 0;
        bool verdict = false;
    };

    // Guards stations, leader, reservList, acceptedQG and checkTimer.
    UniSetTypes::uniset_mutex listMutex;
    // Guards numWorking.
    UniSetTypes::uniset_mutex countMutex;

private:
    // Under listMutex: serves the leader's demand.
    void serveLeader();
    // Under listMutex: one walk; set starts a station, else stops one.
    void reserv(bool set);
    // Under listMutex: one entry of the walk; true when the walk ends there.
    bool visit(ReservEntry& e, bool set);
    // Under listMutex: withdraws the reserve commands when no member demands anything.
    bool resetReserv();
    // The entry of entry's station in list takes over entry's state.
    static ReservList::iterator updateReservEntry(ReservList& list, const ReservEntry& entry);
    StationServices* member(int sesNum) const;
    // Under listMutex: appends ses unless one of its number is here.
    bool join(StationServices* ses);
    // Over the members under the list lock (3000 ms): the sum of value, and the
    // first positive value (0 when none); empty when the lock was not had.
    template <class Value>
    std::optional<int> sumOver(const char* method, Value value);
    template <class Value>
    std::optional<int> firstPositive(const char* method, Value value);
    // Under the list lock (time-out ms): whether some member passes test; empty
    // when the lock was not had.
    template <class Test>
    std::optional<bool> anyMember(int timeoutMs, const char* method, Test test);

    int num;
    std::string name;
    int acceptedQG = 0;
    StationList stations;
    StationServices* leader = nullptr;
    ReservList reservList;
    int maxWorking = 3;
    int numWorking = 0;
    int reservStatePause = 10000;
    int reservCommandTimeout = 50000;
    int checkReservTime = 5000;
    PassiveTimer checkTimer;
    DeviationWatch fdev;
    DeviationWatch udev;
};

// "[ SES1 SES2 ]": the members' object names.
void printStations(std::ostream& os, const SEESGroup::StationList& list);
std::ostream& operator<<(std::ostream& os, const SEESGroup& g);
