#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "Clock.h"
#include "Exceptions.h"
#include "FakeStation.h"
#include "SEESGroup.h"
#include "TestSupport.h"

using testing_support::LogCapture;

namespace
{
    constexpr long off = FakeStation::mOFF;
    constexpr long on = FakeStation::mON;

    // The locks, for the tests that hold them.
    class OpenGroup : public SEESGroup
    {
    public:
        using SEESGroup::countMutex;
        using SEESGroup::listMutex;
        using SEESGroup::SEESGroup;
    };

    // A group of fake stations on the manual clock, with its log captured.
    struct GroupRig
    {
        explicit GroupRig(int groupNum = 1)
            : sut(groupNum, "")
        {
            sut.configure(GroupSettings{});
        }

        FakeStation& add(long priority, bool automatic = true, long state = off)
        {
            stations.push_back(std::make_unique<FakeStation>(static_cast<int>(stations.size()) + 1, priority,
                                                             automatic, state));
            sut.addSES(stations.back().get());
            return *stations.back();
        }
        FakeStation& ses(int num) { return *stations.at(num - 1); }
        void advance(int ms) { clock.manual.advanceMs(ms); }
        bool logged(const std::string& text) const { return log.text().find(text) != std::string::npos; }

        // The reserve commands ("on2", "off3") the stations got since the last call.
        std::vector<std::string> commands()
        {
            std::vector<std::string> out;
            for (auto& s : stations)
            {
                for (const std::string& c : s->calls())
                    if (c == "on" || c == "off")
                        out.push_back(c + std::to_string(s->num));
                s->clearCalls();
            }
            return out;
        }

        uniset::ScopedManualClock clock;
        LogCapture log{SEESGroup::dlog};
        FakeStations stations;
        OpenGroup sut;
    };

    std::vector<int> leaders(const FakeStations& stations)
    {
        std::vector<int> out;
        for (const auto& s : stations)
            if (s->leader)
                out.push_back(s->num);
        return out;
    }
}

// --- leader and reserve list

namespace
{
    struct Member
    {
        long priority;
        bool automatic;
        long state;
    };

    struct ReservListCase
    {
        const char* name;
        std::vector<Member> members;
        std::string line;              // the list as the log shows it
        std::vector<int> leaderFlags;  // stations whose leader flag is set afterwards
    };

    class MakeReservList : public ::testing::TestWithParam<ReservListCase>
    {
    };
}

TEST_P(MakeReservList, ChoosesTheLeaderAndOrdersTheReserve)
{
    GroupRig rig;
    for (const Member& m : GetParam().members)
        rig.add(m.priority, m.automatic, m.state);
    for (auto& s : rig.stations)
        s->leader = true;   // every one was leader before: the pass must say who is not

    rig.sut.makeReservList();

    EXPECT_TRUE(rig.logged(GetParam().line)) << rig.log.text();
    EXPECT_EQ(leaders(rig.stations), GetParam().leaderFlags);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MakeReservList,
    ::testing::Values(
        ReservListCase{"BestPriorityWorkingLeads",
                       {{1, true, on}, {2, true, off}, {3, true, off}},
                       "SEESGroup1(makeReservList): For leader='ses1' reserv(2): [ ses2 ses3 ]",
                       {1}},
        ReservListCase{"ListIsInPriorityOrderNotMemberOrder",
                       {{3, true, off}, {1, true, on}, {2, true, off}},
                       "For leader='ses2' reserv(2): [ ses3 ses1 ]",
                       {2}},
        ReservListCase{"WorkingReserveLeadsInPlaceOfAStoppedCandidate",
                       {{1, true, off}, {2, true, on}},
                       "For leader='ses2' reserv(1): [ ses1 ]",
                       {2}},
        ReservListCase{"StoppedCandidateGoesLastBehindTheOtherReserve",
                       {{1, true, off}, {2, true, off}, {3, true, on}},
                       "For leader='ses3' reserv(2): [ ses2 ses1 ]",
                       {3}},
        ReservListCase{"StoppedCandidateLeadsWhenNoneWorks",
                       {{1, true, off}, {2, true, off}},
                       "For leader='ses1' reserv(1): [ ses2 ]",
                       {1}},
        ReservListCase{"ManualAndZeroPriorityStationsAreNoCandidates",
                       {{1, false, on}, {0, true, on}, {2, true, off}},
                       "For leader='ses3' reserv(0): [ ]",
                       {3}},
        ReservListCase{"EqualPriorityLaterMemberTakesThePlaceAndTheOtherIsNoLeader",
                       {{1, true, on}, {1, true, on}, {2, true, off}},
                       "For leader='ses2' reserv(1): [ ses3 ]",
                       {2}},
        ReservListCase{"NoCandidateNoLeader",
                       {{1, false, on}, {0, true, on}},
                       "SEESGroup1(makeReservList): LEADER not found...",
                       {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SEESGroupReserve, ManualStationLosesItsReserveCommands)
{
    GroupRig rig;
    FakeStation& manual = rig.add(1, false, off);
    manual.cmdOnReserv = true;

    rig.sut.makeReservList();

    EXPECT_FALSE(manual.cmdOnReserv);
    EXPECT_EQ(manual.calls(), (std::vector<std::string>{"notLeader", "reset"}));
}

TEST(SEESGroupReserve, FailingReserveStationDoesNotStopTheOthersFromBeingTold)
{
    GroupRig rig;
    rig.add(1, true, on);
    FakeStation& failing = rig.add(2);
    FakeStation& next = rig.add(3);
    failing.failSetReserv = true;
    next.leader = true;

    rig.sut.makeReservList();

    EXPECT_FALSE(next.leader);
    EXPECT_TRUE(rig.ses(1).leader);
    EXPECT_TRUE(rig.logged("SEESGroup1(makeReservList): SES2: SES2(setReserv): write failed"));
}

TEST(SEESGroupReserve, WithoutLeaderTheCheckCommandsNothing)
{
    GroupRig rig;
    rig.add(1, false, on).needOn = true;
    rig.add(0, true, off);

    rig.sut.step();

    EXPECT_TRUE(rig.logged("SEESGroup1(checkReserv): ignore.. no leader.."));
    EXPECT_TRUE(rig.commands().empty());
}

// --- the start and stop walks

namespace
{
    // A leader (station 1, priority 1, working) and its reserve stations
    // (priorities 2, 3, ... in member order).
    struct WalkRig : GroupRig
    {
        WalkRig(bool start, const std::vector<long>& reserve)
        {
            FakeStation& leader = add(1, true, on);
            leader.needOn = start;
            leader.needOff = !start;
            for (size_t i = 0; i < reserve.size(); ++i)
                add(static_cast<long>(i) + 2, true, reserve[i]);
        }
        // The supervision's refresh: list, demand, counts.
        void walk() { sut.step(); }
    };

    struct WalkCase
    {
        const char* name;
        bool start;
        std::vector<long> reserve;
        std::function<void(WalkRig&)> before;   // what happened before the walk under test
        std::vector<std::string> commands;      // what the walk under test commands
        const char* line;                       // and the line it writes
    };

    class ReserveWalk : public ::testing::TestWithParam<WalkCase>
    {
    };

    const auto nothing = [](WalkRig&) {};
}

TEST_P(ReserveWalk, CommandsAtMostOneStationAtATime)
{
    const WalkCase& c = GetParam();
    WalkRig rig(c.start, c.reserve);
    c.before(rig);
    rig.commands();

    rig.walk();

    EXPECT_EQ(rig.commands(), c.commands);
    EXPECT_TRUE(rig.logged(c.line)) << rig.log.text();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReserveWalk,
    ::testing::Values(
        WalkCase{"StartCommandsTheBestStoppedReserve", true, {off, off}, nothing, {"on2"}, "(reserv): SELECT RUN ses2"},
        WalkCase{"StartPassesOverARunningReserve", true, {on, off}, nothing, {"on3"}, "(reserv): SELECT RUN ses3"},
        WalkCase{"StartWaitsForTheCommandedStation", true, {off, off},
                 [](WalkRig& r) {
                     r.walk();
                     r.advance(1000);
                 },
                 {}, "(reserv): IGNORE. Wait processing command for ses2 (sec=49 msec=0)"},
        WalkCase{"StationThatCameOnSettlesFirst", true, {off, off},
                 [](WalkRig& r) {
                     r.walk();
                     r.ses(2).state = on;
                     r.advance(1500);
                 },
                 {}, "(reserv): IGNORE. Wait state pause for ses2 (sec=10 msec=0)"},
        WalkCase{"NextStationAfterTheSettlingPause", true, {off, off},
                 [](WalkRig& r) {
                     r.walk();
                     r.ses(2).state = on;
                     r.walk();
                     r.advance(10000);
                 },
                 {"on3"}, "(reserv): SELECT RUN ses3"},
        WalkCase{"CommandTimeOutCommandsAgain", true, {off, off},
                 [](WalkRig& r) {
                     r.walk();
                     r.advance(50000);
                 },
                 {"on2"}, "(reserv): SELECT RUN ses2"},
        WalkCase{"CommandedStationInProtectionGivesWayToTheNext", true, {off, off},
                 [](WalkRig& r) {
                     r.walk();
                     r.ses(2).protection = true;
                 },
                 {"on3"}, "(reserv): SELECT RUN ses3"},
        WalkCase{"StopCommandsTheWorstRunningReserve", false, {on, on}, nothing, {"off3"},
                 "(reserv): SELECT STOP ses3"},
        WalkCase{"StopPassesOverAStoppedReserve", false, {on, off}, nothing, {"off2"}, "(reserv): SELECT STOP ses2"},
        WalkCase{"StopWaitsUntilTheStationIsOff", false, {on, on},
                 [](WalkRig& r) {
                     r.walk();
                     r.ses(3).state = FakeStation::mTRANSITIVE;
                     r.advance(2000);
                 },
                 {}, "(reserv): IGNORE. Wait processing command for ses3 (sec=48 msec=0)"},
        WalkCase{"StoppedStationSettlesBeforeTheNextStop", false, {on, on},
                 [](WalkRig& r) {
                     r.walk();
                     r.ses(3).state = off;
                     r.walk();
                     r.advance(9999);
                 },
                 {}, "(reserv): IGNORE. Wait state pause for ses3 (sec=0 msec=1)"},
        WalkCase{"NoStationToStart", true, {on, on}, nothing, {}, "(reserv): FREE RESERV NOT FOUND"},
        WalkCase{"NoReserveAtAll", true, {}, nothing, {}, "(reserv): rlst=0 RESERV NOT FOUND"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SEESGroupReserve, EndOfDemandFreesTheEntriesAndWithdrawsTheCommands)
{
    WalkRig rig(true, {off, off});
    rig.walk();
    ASSERT_TRUE(rig.ses(2).cmdOnReserv);

    rig.ses(1).needOn = false;
    rig.walk();

    EXPECT_FALSE(rig.ses(2).cmdOnReserv);
    EXPECT_TRUE(rig.logged("SEESGroup1(resetReserv): сбрасываем команды резерва для ses2"));
    EXPECT_TRUE(rig.logged("SEESGroup1(resetReserv): сбрасываем команды резерва для ses3"));
    // Freed: a new demand commands at once.
    rig.ses(1).needOn = true;
    rig.commands();
    rig.walk();
    EXPECT_EQ(rig.commands(), std::vector<std::string>{"on2"});
}

TEST(SEESGroupReserve, CommandsStayWhileAnotherMemberStillDemands)
{
    WalkRig rig(true, {off, off});
    rig.walk();
    rig.ses(1).needOn = false;
    rig.ses(3).needOff = true;   // not the leader, but a demand all the same

    rig.walk();

    EXPECT_TRUE(rig.ses(2).cmdOnReserv);
}

TEST(SEESGroupReserve, PeriodicCheckResumesAWaitingWalk)
{
    WalkRig rig(true, {off, off});
    rig.walk();
    rig.ses(2).state = on;
    rig.walk();                      // settling starts
    rig.commands();

    rig.advance(4999);
    rig.sut.checkTimers();
    EXPECT_TRUE(rig.commands().empty());

    rig.advance(10000);              // the pause is over by the check after this one
    rig.sut.checkTimers();
    EXPECT_EQ(rig.commands(), std::vector<std::string>{"on3"});
}

TEST(SEESGroupReserve, NoPeriodicCheckWithoutAWaitingWalk)
{
    WalkRig rig(true, {on});
    rig.walk();                      // nothing free: no check is due
    rig.ses(2).state = off;
    rig.commands();

    rig.advance(60000);
    rig.sut.checkTimers();

    EXPECT_TRUE(rig.commands().empty());
}

// --- generator-breaker leave

namespace
{
    struct LeaveStep
    {
        enum Kind
        {
            accept,
            release
        } kind;
        int ses;
        int expected;   // accept: the holder; release: 1 released, 0 not; -1: NameNotFound
    };

    struct LeaveCase
    {
        const char* name;
        std::vector<int> marked;   // members carrying a mark from an earlier group
        std::vector<LeaveStep> steps;
        std::vector<int> marksAfter;
        const char* line;
    };

    class QGLeave : public ::testing::TestWithParam<LeaveCase>
    {
    };

    constexpr auto accept = LeaveStep::accept;
    constexpr auto release = LeaveStep::release;
}

TEST_P(QGLeave, OneStationOfTheGroupSwitchesAtATime)
{
    const LeaveCase& c = GetParam();
    GroupRig rig(2);
    for (int i = 0; i < 3; ++i)
        rig.add(i + 1);
    for (int m : c.marked)
        rig.ses(m).qgAccepted = true;

    for (size_t i = 0; i < c.steps.size(); ++i)
    {
        const LeaveStep& s = c.steps[i];
        if (s.expected < 0)
        {
            if (s.kind == accept)
                EXPECT_THROW(rig.sut.acceptQG(s.ses), UniSetTypes::NameNotFound) << "step " << i;
            else
                EXPECT_THROW(rig.sut.releaseQG(s.ses), UniSetTypes::NameNotFound) << "step " << i;
        }
        else if (s.kind == accept)
            EXPECT_EQ(rig.sut.acceptQG(s.ses), s.expected) << "step " << i;
        else
            EXPECT_EQ(rig.sut.releaseQG(s.ses) == SEESGroup::Release::released ? 1 : 0, s.expected) << "step " << i;
    }

    std::vector<int> marks;
    for (auto& s : rig.stations)
        if (s->qgAccepted)
            marks.push_back(s->num);
    EXPECT_EQ(marks, c.marksAfter);
    EXPECT_TRUE(rig.logged(c.line)) << rig.log.text();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, QGLeave,
    ::testing::Values(
        LeaveCase{"FreeGroupGrantsTheCaller", {}, {{accept, 1, 1}}, {1}, "SEESGroup2(acceptQG): ACCEPT QG1"},
        LeaveCase{"HolderAsksAgain", {}, {{accept, 1, 1}, {accept, 1, 1}}, {1}, "(acceptQG): QG1 ALREADY ACCEPTED..."},
        LeaveCase{"OtherStationIsRefused", {}, {{accept, 1, 1}, {accept, 2, 1}}, {1},
                  "(acceptQG): NOT ACCEPT QG2 qf locked..."},
        LeaveCase{"HolderReleasesAndTheNextIsGranted", {}, {{accept, 1, 1}, {release, 1, 1}, {accept, 2, 2}}, {2},
                  "(releaseQG): RELEASE QG1"},
        LeaveCase{"ReleaseByAnotherMemberChangesNothing", {}, {{accept, 1, 1}, {release, 2, 0}, {accept, 3, 1}}, {1},
                  "SEESGroup2(releaseQG): RELEASE QG2 BUT NOT ACCEPTED!!"},
        LeaveCase{"MarkOfAnotherMemberBlocks", {2}, {{accept, 1, 2}, {accept, 1, 2}}, {2},
                  "(acceptQG): NOT ACCEPT QG1 but blocked ses2"},
        LeaveCase{"MarkedCallerHasItAgain", {1}, {{accept, 1, 1}}, {1}, "(acceptQG): REPEAT ACCEPT QG1"},
        LeaveCase{"MarkedMemberReleasesItsMark", {3}, {{release, 3, 1}, {accept, 1, 1}}, {1},
                  "(releaseQG): RELEASE QG3"},
        LeaveCase{"StationOfAnotherGroup", {}, {{accept, 7, -1}, {release, 7, -1}}, {}, ""},
        LeaveCase{"StationOfAnotherGroupWhileHeld", {}, {{accept, 1, 1}, {accept, 7, 1}}, {1},
                  "(acceptQG): NOT ACCEPT QG7 qf locked..."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SEESGroupLeave, NotFoundTextNamesTheGroupAndTheStation)
{
    GroupRig rig(2);
    rig.add(1);
    try
    {
        rig.sut.acceptQG(7);
        FAIL() << "station 7 is no member";
    }
    catch (const UniSetTypes::NameNotFound& ex)
    {
        EXPECT_EQ(ex.text, "SEESGroup2(acceptQG): Not found ses7");
    }
}

// --- working count, run permission, alone flags

namespace
{
    struct CountCase
    {
        const char* name;
        std::vector<long> states;
        int maxWorking;
        bool canRun;
        std::vector<bool> alone;
    };

    class WorkingCount : public ::testing::TestWithParam<CountCase>
    {
    };
}

TEST_P(WorkingCount, LimitsStartsAndTellsTheLastOneRunning)
{
    const CountCase& c = GetParam();
    GroupRig rig;
    GroupSettings settings;
    settings.maxWorking = c.maxWorking;
    rig.sut.configure(settings);
    for (long s : c.states)
        rig.add(0, false, s);

    rig.sut.step();

    EXPECT_EQ(rig.sut.canRun(1), c.canRun);
    std::vector<bool> alone;
    for (auto& s : rig.stations)
        alone.push_back(s->alone);
    EXPECT_EQ(alone, c.alone);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WorkingCount,
    ::testing::Values(CountCase{"NoneWorkingAllAlone", {off, off, off}, 3, true, {true, true, true}},
                      CountCase{"OneWorkingIsAlone", {off, on, off}, 3, true, {false, true, false}},
                      CountCase{"TwoWorkingNoneAlone", {on, on, off}, 3, true, {false, false, false}},
                      CountCase{"LimitReached", {on, on, on, off}, 3, false, {false, false, false, false}},
                      CountCase{"LimitOfOne", {on, off}, 1, false, {true, false}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SEESGroupCount, RunPermissionForAStationOfAnotherGroupIsNotFound)
{
    GroupRig rig;
    rig.add(0);
    EXPECT_THROW(rig.sut.canRun(5), UniSetTypes::NameNotFound);
}

// --- what the group tells the supervision

TEST(SEESGroupState, ProtectionLoadingReserveAndDemand)
{
    GroupRig rig;
    FakeStation& leader = rig.add(1, true, on);
    rig.add(2);
    rig.sut.step();

    EXPECT_EQ(rig.sut.hasProtection(), false);
    EXPECT_EQ(rig.sut.isReadyForLoading(), true);
    EXPECT_EQ(rig.sut.noReserv(), false);

    leader.needOn = true;
    rig.ses(2).protection = true;
    EXPECT_EQ(rig.sut.hasProtection(), true);
    EXPECT_EQ(rig.sut.isReadyForLoading(), false);

    rig.sut.setRequiredReserv(true);
    EXPECT_TRUE(leader.requiredReserv);
    EXPECT_TRUE(rig.ses(2).requiredReserv);
}

TEST(SEESGroupState, MembersJoinOnceAndCarryTheGroupNumber)
{
    GroupRig rig;
    FakeStation& s = rig.add(1);
    OpenGroup other(101, "");

    other.addGroup(rig.sut);
    EXPECT_FALSE(other.addSES(&s));

    EXPECT_EQ(s.groupNum, 101);
    EXPECT_EQ(other.members().size(), 1u);
    EXPECT_EQ(other.findSES(1), &s);
    EXPECT_TRUE(other.removeSES(&s));
    EXPECT_EQ(other.findSES(1), nullptr);
}

// --- a lock not had in time refuses and touches nothing

namespace
{
    struct TimeOutCase
    {
        const char* name;
        bool countLock;   // else the list lock
        std::function<void(GroupRig&)> call;
        const char* line;
    };

    class LockTimeOut : public ::testing::TestWithParam<TimeOutCase>
    {
    };
}

TEST_P(LockTimeOut, RefusesAndLogs)
{
    const TimeOutCase& c = GetParam();
    GroupRig rig;
    rig.add(1, true, on).needOn = true;
    rig.add(2);
    rig.ses(2).qgAccepted = true;
    rig.ses(1).clearCalls();

    UniSetTypes::uniset_mutex& m = c.countLock ? rig.sut.countMutex : rig.sut.listMutex;
    m.lock();
    c.call(rig);
    m.unlock();

    EXPECT_TRUE(rig.logged(c.line)) << rig.log.text();
    EXPECT_TRUE(rig.ses(1).calls().empty());
    EXPECT_TRUE(rig.ses(2).qgAccepted);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LockTimeOut,
    ::testing::Values(
        TimeOutCase{"AcceptGivesNoLeave", false, [](GroupRig& r) { EXPECT_EQ(r.sut.acceptQG(2), 0); },
                    "SEESGroup1(acceptQG): SEESGroup1_listMutex not locked in 5000 msec"},
        TimeOutCase{"ReleaseKeepsTheMark", false,
                    [](GroupRig& r) { EXPECT_EQ(r.sut.releaseQG(2), SEESGroup::Release::notLocked); },
                    "SEESGroup1(releaseQG): SEESGroup1_listMutex not locked in 4000 msec, nothing released yet"},
        TimeOutCase{"FiguresAndFlagsAreNotRead", false,
                    [](GroupRig& r) {
                        EXPECT_EQ(r.sut.getP(), std::nullopt);
                        EXPECT_EQ(r.sut.getU(), std::nullopt);
                        EXPECT_EQ(r.sut.getF(), std::nullopt);
                        EXPECT_EQ(r.sut.getReservPower(), std::nullopt);
                        EXPECT_EQ(r.sut.noReserv(), std::nullopt);
                        EXPECT_EQ(r.sut.isReadyForLoading(), std::nullopt);
                        EXPECT_EQ(r.sut.hasProtection(), std::nullopt);
                    },
                    "SEESGroup1(getP): SEESGroup1_listMutex not locked in 3000 msec"},
        TimeOutCase{"RunIsRefused", false, [](GroupRig& r) { EXPECT_FALSE(r.sut.canRun(1)); },
                    "SEESGroup1(canRun): SEESGroup1_listMutex not locked"},
        TimeOutCase{"RunIsRefusedOnTheCount", true, [](GroupRig& r) { EXPECT_FALSE(r.sut.canRun(1)); },
                    "SEESGroup1(canRun): SEESGroup1_countMutex not locked in 500 msec"},
        TimeOutCase{"ListIsNotRebuilt", false, [](GroupRig& r) { r.sut.makeReservList(); },
                    "(makeReservList): SEESGroup1_listMutex not locked"},
        TimeOutCase{"DemandIsNotServed", false, [](GroupRig& r) { r.sut.checkReserv(); },
                    "(checkReserv): SEESGroup1_listMutex not locked"},
        TimeOutCase{"AloneFlagsStay", true, [](GroupRig& r) { r.sut.updateSingleFlags(); },
                    "(numOfWorking): SEESGroup1_countMutex not locked"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- measurements

TEST(SEESGroupMeasurements, SumsPowerAndTakesVoltageAndFrequencyOfTheFirstConnected)
{
    GroupRig rig;
    FakeStation& a = rig.add(1, true, on);
    FakeStation& b = rig.add(2, true, on);
    a.p = 200;
    b.p = 150;
    b.u = 400;
    b.f = 50;
    a.spare = 100;
    b.spare = 50;
    b.protection = true;

    EXPECT_EQ(rig.sut.getP(), 350);
    EXPECT_EQ(rig.sut.getU(), 400);
    EXPECT_EQ(rig.sut.getF(), 50);
    EXPECT_EQ(rig.sut.getReservPower(), 100);
}

TEST(SEESGroupMeasurements, ReadingsBeyondIntArePinnedAndKeepTheirSign)
{
    constexpr long big = 1L << 31;
    constexpr int most = std::numeric_limits<int>::max();
    GroupRig rig;
    FakeStation& a = rig.add(1, true, on);
    FakeStation& b = rig.add(2, true, on);
    a.p = big;
    b.p = big;
    a.u = big;
    a.f = std::numeric_limits<long>::max();
    a.spare = most;
    b.spare = most;

    EXPECT_EQ(rig.sut.getP(), most);
    EXPECT_EQ(rig.sut.getU(), most);
    EXPECT_EQ(rig.sut.getF(), most);
    EXPECT_EQ(rig.sut.getReservPower(), most);

    a.p = std::numeric_limits<long>::min();
    b.p = -big;
    EXPECT_EQ(rig.sut.getP(), std::numeric_limits<int>::min());
}

// --- stations' threads and the supervision's meet in the group

TEST(SEESGroupThreads, LeaveIsHeldByOneStationAtATimeWhileTheGroupIsServed)
{
    LogCapture log{SEESGroup::dlog};
    FakeStations stations;
    SEESGroup sut(1, "");
    sut.configure(GroupSettings{});
    for (int i = 1; i <= 4; ++i)
    {
        stations.push_back(std::make_unique<FakeStation>(i, i, true, i % 2 ? FakeStation::mON : FakeStation::mOFF));
        sut.addSES(stations.back().get());
    }
    stations[0]->needOn = true;

    std::atomic<int> holders{0};
    std::atomic<int> maxHolders{0};
    std::atomic<int> grants{0};
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
    for (auto& s : stations)
    {
        threads.emplace_back([&, num = s->num] {
            for (int i = 0; i < 300; ++i)
            {
                sut.canRun(num);
                if (sut.acceptQG(num) != num)
                    continue;
                const int now = ++holders;
                int seen = maxHolders;
                while (now > seen && !maxHolders.compare_exchange_weak(seen, now))
                {
                }
                ++grants;
                --holders;
                sut.releaseQG(num);
            }
        });
    }
    std::thread supervision([&] {
        while (!stop)
        {
            sut.step();
            sut.checkTimers();
            sut.hasProtection();
            sut.getP();
        }
    });
    for (auto& t : threads)
        t.join();
    stop = true;
    supervision.join();

    EXPECT_EQ(maxHolders, 1);
    EXPECT_GT(grants, 0);
}

// --- a group rebuilt around the same stations

namespace
{
    // The group that replaces rig's when the busbars are joined or parted.
    struct Successor
    {
        explicit Successor(GroupRig& rig) : sut(101, "")
        {
            sut.configure(GroupSettings{});
            for (auto& s : rig.stations)
                sut.addSES(s.get());
        }
        OpenGroup sut;
    };
}

TEST(SEESGroupTakeOver, ASettlingReserveStationKeepsItsPause)
{
    WalkRig rig(true, {off, off});
    rig.walk();
    rig.ses(2).state = on;
    rig.walk();
    rig.advance(1500);
    rig.commands();

    Successor next(rig);
    next.sut.takeOver(rig.sut, false);
    next.sut.step();

    EXPECT_EQ(rig.commands(), std::vector<std::string>{});
    EXPECT_TRUE(rig.logged("SEESGroup101(reserv): IGNORE. Wait state pause for ses2 (sec=8 msec=500)"))
        << rig.log.text();
}

TEST(SEESGroupTakeOver, WithoutItTheNextStationIsCommandedAtOnce)
{
    WalkRig rig(true, {off, off});
    rig.walk();
    rig.ses(2).state = on;
    rig.walk();
    rig.commands();

    Successor next(rig);
    next.sut.step();

    EXPECT_EQ(rig.commands(), std::vector<std::string>{"on3"});
}

TEST(SEESGroupTakeOver, TheDeviationTimeGoesOnWhenAsked)
{
    GroupRig rig;
    GroupSettings settings;
    settings.U_min = 380;
    settings.U_max = 420;
    settings.udevTimeout = 10000;
    rig.sut.configure(settings);
    rig.add(1, true, on).u = 450;
    rig.sut.checkDeviation();
    rig.advance(6000);

    OpenGroup carried(101, "");
    OpenGroup fresh(102, "");
    for (OpenGroup* g : {&carried, &fresh})
    {
        g->configure(settings);
        g->addSES(&rig.ses(1));
    }
    carried.takeOver(rig.sut, true);
    fresh.takeOver(rig.sut, false);
    for (OpenGroup* g : {&carried, &fresh})
        g->checkDeviation();
    rig.advance(4000);
    carried.checkTimers();
    fresh.checkTimers();

    EXPECT_TRUE(carried.getUdev());
    EXPECT_FALSE(fresh.getUdev());
}
