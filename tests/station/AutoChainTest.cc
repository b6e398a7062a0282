// The roads of automatic control, step by step as the plant answers: a reserve start
// and a reserve stop, the leader's blackout start and a blackout too short to start
// it, the low-load filter, the leader flag handed over both ways, and a reserve start
// the working-set limit holds back.
#include <gtest/gtest.h>

#include "SEESMode.h"
#include "StationRig.h"

using namespace station_test;

namespace
{
    const Plant allOff{0, 0, 0, 0};
    const Plant allOn{1, 1, 1, 1};
    const Plant running{1, 1, 0, 9};

    const Report offReport{SEESMessage::ModeChange, 0};
    const Report reserveReport{SEESMessage::ModeChange, 2};
    const Report leaderReport{SEESMessage::ModeChange, 3};

    class AutomaticControl : public ::testing::Test
    {
    protected:
        // The station taken into automatic control with the plant as given.
        void takeIntoControl(const Plant& p, bool leader = false)
        {
            rig.plant(p);
            rig.set("Leader_f", leader);
            rig.set("CtlMode_f", 3);
            rig.startUp();
            rig.owner().takeReports();
            rig.owner().takeCalls();
        }
        void sense(const char* role, long value)
        {
            rig.set(role, value);
            rig.quiesce();
        }
        void wait(int ms)
        {
            rig.advance(ms);
            rig.quiesce();
        }
        // Which command output is on: the one name, or "none".
        std::string command() const
        {
            std::string on = "none";
            for (const char* out : {"DG_Start_C", "DG_Stop_C", "QG_On_C", "QG_Off_C"})
                if (rig.value(out))
                    on = on == "none" ? out : on + "+" + out;
            return on;
        }
        std::vector<Report> reports() { return rig.owner().takeReports(); }

        StationRig rig;
    };
}

TEST_F(AutomaticControl, AReserveStartRunsTheSetAndClosesItsQG)
{
    takeIntoControl(allOff);
    ASSERT_EQ(rig.mode(), "SEESReservMode");

    sense("cmd_OnReserv_f", 1);
    EXPECT_EQ(rig.mode(), "SEESAutoWaitingMode");
    EXPECT_EQ(command(), "DG_Start_C");

    rig.plant({0, 0, 0, 4});
    EXPECT_EQ(command(), "DG_Start_C") << "the set on its way";

    rig.plant(running);
    EXPECT_EQ(rig.mode(), "SEESAutoWaitingMode");
    EXPECT_EQ(command(), "QG_On_C");

    rig.plant(allOn);
    EXPECT_EQ(rig.mode(), "SEESOnReservMode");
    EXPECT_EQ(command(), "none");
    EXPECT_EQ(reports(), std::vector<Report>{reserveReport});
    EXPECT_EQ(rig.owner().takeCalls(),
              (std::vector<std::string>{"canRun(3)", "acceptQG(3,1)", "releaseQG(3)"}));
}

TEST_F(AutomaticControl, AReserveStopOpensTheQGCoolsAndStopsTheSet)
{
    takeIntoControl(allOn);
    ASSERT_EQ(rig.mode(), "SEESOnReservMode");

    sense("cmd_OffReserv_f", 1);
    EXPECT_EQ(rig.mode(), "SEESAutoWaitingMode");
    EXPECT_EQ(command(), "QG_Off_C");

    rig.plant(running);
    EXPECT_EQ(rig.mode(), "SEESCoolingMode");
    EXPECT_EQ(command(), "none");
    EXPECT_EQ(reports(), std::vector<Report>{offReport}) << "a cooling set counts as stopped";

    wait(rig.station().coolingTime);
    EXPECT_EQ(rig.mode(), "SEESAutoWaitingMode");
    EXPECT_EQ(command(), "DG_Stop_C");

    rig.plant(allOff);
    EXPECT_EQ(rig.mode(), "SEESReservMode");
    EXPECT_EQ(command(), "none");
    EXPECT_EQ(reports(), std::vector<Report>{reserveReport});
    EXPECT_EQ(rig.owner().takeCalls(),
              (std::vector<std::string>{"isAlone(3)", "isAlone(3)", "acceptQG(3,0)", "releaseQG(3)"}));
}

TEST_F(AutomaticControl, TheLeaderStartsOnABlackoutThatLastsTheDelay)
{
    takeIntoControl(allOff, true);
    ASSERT_EQ(rig.mode(), "SEESAutoMode");

    sense("NoPower_S", 1);
    wait(rig.station().NoPowerTime - 1);
    EXPECT_EQ(rig.mode(), "SEESAutoMode");
    EXPECT_EQ(command(), "none");

    wait(1);
    EXPECT_EQ(rig.mode(), "SEESAutoWaitingMode");
    EXPECT_EQ(command(), "DG_Start_C");

    rig.plant(running);
    EXPECT_EQ(command(), "QG_On_C");

    rig.plant(allOn);
    EXPECT_EQ(rig.mode(), "SEESOnAutoMode");
    EXPECT_EQ(reports(), (std::vector<Report>{reserveReport, leaderReport}));
    EXPECT_EQ(rig.owner().takeCalls(), (std::vector<std::string>{"acceptQG(3,1)", "releaseQG(3)"}))
        << "the leader's start asks nobody whether it may run";
}

TEST_F(AutomaticControl, ABlackoutShorterThanTheDelayStartsNothing)
{
    takeIntoControl(allOff, true);

    sense("NoPower_S", 1);
    wait(1000);
    sense("NoPower_S", 0);
    wait(rig.station().NoPowerTime);

    EXPECT_EQ(rig.mode(), "SEESAutoMode");
    EXPECT_EQ(command(), "none");
    EXPECT_TRUE(reports().empty());
}

TEST_F(AutomaticControl, TheLeadersLowLoadCountsOnlyAfterTheFilterTime)
{
    rig.set("Overload20_S", 1);
    takeIntoControl(allOn, true);
    ASSERT_EQ(rig.mode(), "SEESOnAutoMode");
    EXPECT_FALSE(rig.station().needReservOff()) << "held back on entry";

    sense("Overload20_S", 0);
    sense("Overload20_S", 1);
    wait(rig.station().Load20Time - 1);
    EXPECT_FALSE(rig.station().needReservOff()) << "the filter runs once, whatever the signal does";

    wait(1);
    EXPECT_TRUE(rig.station().needReservOff());
    EXPECT_NE(rig.log().find(": фильтрование 'нагрузка < 20%' закончено (1)"), std::string::npos);

    sense("Overload20_S", 0);
    EXPECT_FALSE(rig.station().needReservOff()) << "after the filter a change counts at once";
    EXPECT_EQ(reports(), (std::vector<Report>{{SEESMessage::NeedOffReserv, 1}, {SEESMessage::NeedOffReserv, 0}}));
}

TEST_F(AutomaticControl, ALeaveOfTheBusbarFiltersAfreshOnReturn)
{
    rig.set("Overload20_S", 1);
    takeIntoControl(allOn, true);
    wait(rig.station().Load20Time);
    ASSERT_TRUE(rig.station().needReservOff());

    sense("Leader_f", 0);
    sense("Leader_f", 1);

    EXPECT_EQ(rig.mode(), "SEESOnAutoMode");
    EXPECT_FALSE(rig.station().needReservOff());
    EXPECT_TRUE(rig.timerAsked(tmLoad20));
}

TEST_F(AutomaticControl, TheLeaderFlagIsHandedOverBothWays)
{
    takeIntoControl(allOff);

    sense("Leader_f", 1);
    EXPECT_EQ(rig.mode(), "SEESAutoMode");
    sense("Leader_f", 0);
    EXPECT_EQ(rig.mode(), "SEESReservMode");
    EXPECT_EQ(reports(), (std::vector<Report>{reserveReport, leaderReport, reserveReport}));

    rig.plant(allOn);
    ASSERT_EQ(rig.mode(), "SEESOnReservMode");
    reports();

    sense("Leader_f", 1);
    EXPECT_EQ(rig.mode(), "SEESOnAutoMode");
    sense("Leader_f", 0);
    EXPECT_EQ(rig.mode(), "SEESOnReservMode");
    EXPECT_EQ(reports(), (std::vector<Report>{reserveReport, leaderReport, reserveReport}));
    EXPECT_EQ(command(), "none");
}

TEST_F(AutomaticControl, AStartHeldBackByTheWorkingSetLimitIsTriedAgain)
{
    rig.owner().runAnswers = {false, false, true};
    takeIntoControl(allOff);

    sense("cmd_OnReserv_f", 1);
    EXPECT_EQ(rig.mode(), "SEESReservMode");
    EXPECT_EQ(rig.value("mid_BlockedRun"), 1);
    EXPECT_EQ(command(), "none");

    wait(rig.station().BlockedRunTime);
    EXPECT_EQ(rig.mode(), "SEESReservMode");

    wait(rig.station().BlockedRunTime);
    EXPECT_EQ(rig.mode(), "SEESAutoWaitingMode");
    EXPECT_EQ(command(), "DG_Start_C");
    EXPECT_EQ(rig.owner().takeCalls(), (std::vector<std::string>{"canRun(3)", "canRun(3)", "canRun(3)"}));
}
