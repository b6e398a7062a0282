#include <gtest/gtest.h>

#include <future>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ControlWorld.h"
#include "FakeStation.h"
#include "ObjectsManager.h"
#include "UnionGroups.h"

using control_test::controlWorld;
using control_test::groupElement;
using testing_support::LogCapture;
using testing_support::TestWorld;

namespace
{
    // The two configured groups of the control world (stations 1 and 2, and 3)
    // joined in union 101, as the supervision joins them over a closed tie.
    struct TreeRig
    {
        TreeRig() : world(controlWorld())
        {
            for (int i = 1; i <= 3; ++i)
                stations.push_back(std::make_unique<FakeStation>(i, i, true, FakeStation::mON));
            group1 = std::make_unique<UnionGroups>(groupElement(world, 1));
            group2 = std::make_unique<UnionGroups>(groupElement(world, 2));
            group1->group().addSES(stations[0].get());
            group1->group().addSES(stations[1].get());
            group2->group().addSES(stations[2].get());
            sut.addGroup(group1.get());
            sut.addGroup(group2.get());
            sut.group().configure(GroupSettings{});
        }

        void plant(const std::string& sensor, long value)
        {
            world.set(sensor, value);
            UniSetTypes::SensorMessage sm;
            sm.id = world.id(sensor);
            sm.value = value;
            sm.state = value != 0;
            sut.updateRequiredReserv(&sm);
        }

        TestWorld world;
        LogCapture log{UnionGroups::dlog};
        FakeStations stations;
        std::unique_ptr<UnionGroups> group1;
        std::unique_ptr<UnionGroups> group2;
        UnionGroups sut{101};
        UniversalInterface ui;
    };
}

TEST(UnionGroups, UnionWritesItsValuesToEveryMemberGroup)
{
    TreeRig rig;
    rig.stations[0]->p = 200;
    rig.stations[2]->p = 150;
    rig.stations[1]->u = 400;
    rig.stations[2]->f = 50;
    rig.stations[0]->spare = 70;
    rig.stations[2]->spare = 30;

    rig.sut.updatePowerInfo(rig.ui);
    rig.sut.updateReservPower(rig.ui);

    for (const char* g : {"G1_", "G2_"})
    {
        const std::string group = g;
        EXPECT_EQ(rig.world.get(group + "P_AS"), 350) << group;
        EXPECT_EQ(rig.world.get(group + "U_AS"), 400) << group;
        EXPECT_EQ(rig.world.get(group + "f_AS"), 50) << group;
        EXPECT_EQ(rig.world.get(group + "ReservPower_AS"), 100) << group;
    }
}

TEST(UnionGroups, RefreshWritesReadyForLoadingAndNoReserve)
{
    TreeRig rig;
    for (auto& s : rig.stations)
        s->priority = 0;   // no candidate: no leader and no reserve

    rig.sut.updateReadyForLoading(rig.ui);

    EXPECT_EQ(rig.world.get("G1_NoReserv_S"), 1);
    EXPECT_EQ(rig.world.get("G2_NoReserv_S"), 1);
    EXPECT_EQ(rig.world.get("G1_ReadyForLoading_S"), 1);
    EXPECT_EQ(rig.world.get("G2_ReadyForLoading_S"), 1);
    EXPECT_EQ(rig.stations[2]->groupNum, 101);
}

TEST(UnionGroups, FiguresThatCannotBeReadKeepTheLastPublished)
{
    TreeRig rig;
    rig.stations[0]->p = 200;
    rig.stations[0]->u = 400;
    rig.stations[0]->f = 50;
    rig.stations[0]->spare = 70;
    rig.sut.updatePowerInfo(rig.ui);
    rig.sut.updateReservPower(rig.ui);
    rig.sut.updateReadyForLoading(rig.ui);
    const std::vector<std::string> sensors = {"G1_P_AS", "G1_U_AS", "G1_f_AS", "G1_ReservPower_AS",
                                              "G2_NoReserv_S", "G1_ReadyForLoading_S"};
    std::vector<long> published;
    for (const std::string& s : sensors)
        published.push_back(rig.world.get(s));

    // Figures that would read otherwise, while another caller keeps the union's
    // list lock past every time-out.
    for (auto& s : rig.stations)
        s->state = FakeStation::mOFF;
    rig.stations[0]->p = 0;
    rig.stations[0]->u = 0;
    rig.stations[0]->f = 0;
    std::promise<void> inside;
    std::promise<void> leave;
    std::shared_future<void> left = leave.get_future().share();
    rig.stations[0]->whileProtectionAsked = [&inside, left] {
        inside.set_value();
        left.wait();
    };
    std::thread holder([&] { rig.sut.group().hasProtection(); });
    inside.get_future().wait();
    rig.sut.updatePowerInfo(rig.ui);
    rig.sut.updateReservPower(rig.ui);
    rig.sut.updateReadyForLoading(rig.ui);
    leave.set_value();
    holder.join();

    for (size_t i = 0; i < sensors.size(); ++i)
        EXPECT_EQ(rig.world.get(sensors[i]), published[i]) << sensors[i];
    EXPECT_NE(published[0], 0);
}

TEST(UnionGroups, DeviationVerdictsAreWrittenAsOutputs)
{
    TreeRig rig;
    GroupSettings settings;
    settings.U_min = 380;
    settings.U_max = 420;
    rig.sut.group().configure(settings);
    rig.stations[0]->u = 450;

    rig.sut.updatePowerInfo(rig.ui);
    rig.sut.checkTimers();
    rig.sut.updatePowerInfo(rig.ui);

    EXPECT_EQ(rig.world.get("G1_Udev_C"), 1);
    EXPECT_EQ(rig.world.get("G2_Udev_C"), 1);
    EXPECT_EQ(rig.world.get("G1_fdev_C"), 0);
}

TEST(UnionGroups, OneGroupDemandingReserveGivesEveryStationOfTheUnionItsDemandOnce)
{
    TreeRig rig;

    rig.plant("G2_RequiredReserv_S", 1);

    for (auto& s : rig.stations)
    {
        EXPECT_TRUE(s->requiredReserv) << s->name;
        EXPECT_EQ(s->calls(), std::vector<std::string>{"required"}) << s->name;
        s->clearCalls();
    }

    rig.plant("G1_ReadyForLoading_S", 1);   // any other sensor: the demand stands
    rig.plant("G2_RequiredReserv_S", 0);

    for (auto& s : rig.stations)
    {
        EXPECT_FALSE(s->requiredReserv) << s->name;
        EXPECT_EQ(s->calls(), (std::vector<std::string>{"required", "notRequired"})) << s->name;
    }
}

TEST(UnionGroups, ChildWriteThatKeepsFailingIsTriedThreeTimesThenTheNextChildIsWritten)
{
    TreeRig rig;
    control_test::ScopedFailingStore failing(rig.world);
    failing.store.failWrites.insert(rig.world.id("G1_P_AS"));
    rig.stations[0]->p = 10;
    const int64_t before = rig.world.clock().nowMs();

    rig.sut.updateP(rig.ui);

    const std::string text = rig.log.text();
    size_t lines = 0;
    for (size_t at = text.find("Group101(updateP): "); at != std::string::npos;
         at = text.find("Group101(updateP): ", at + 1))
        ++lines;
    EXPECT_EQ(lines, 3u) << text;
    EXPECT_EQ(rig.world.clock().nowMs() - before, 300);
    EXPECT_EQ(rig.world.get("G2_P_AS"), 10);
}

TEST(UnionGroups, ChildThatCannotBeAskedLeavesTheOthersAsked)
{
    TreeRig rig;
    control_test::ScopedFailingStore failing(rig.world);
    failing.store.failAsks.insert(rig.world.id("G1_RequiredReserv_S"));
    ObjectsManager owner(rig.world.id("Supervisor"));
    UniversalInterface ui(&owner);

    EXPECT_FALSE(rig.sut.askSensors(ui, UniversalIO::UIONotify));

    EXPECT_NE(rig.log.text().find("Group1(askSensors): (ask): sensor 128 cannot be asked"), std::string::npos);
    EXPECT_EQ(testing_support::drain(owner).size(), 1u);   // group 2's demand, as it stands
}

TEST(UnionGroups, GroupWithoutSensorsWarnsOncePerAttributeAndWritesNothing)
{
    TestWorld world(controlWorld());
    LogCapture log{UnionGroups::dlog};
    UnionGroups sut(groupElement(world, 3));
    UniversalInterface ui;
    world.store().clearWrites();

    sut.updatePowerInfo(ui);
    sut.updateReadyForLoading(ui);
    EXPECT_TRUE(sut.askSensors(ui, UniversalIO::UIONotify));

    const std::string text = log.text();
    size_t at = 0;
    for (const char* attribute : {"noReserv_s", "readyForLoading_s", "P_as", "U_as", "f_as", "fdev_c", "Udev_c",
                                  "ReservPower_as", "requiredReserv_s"})
    {
        const std::string line =
            std::string("Group3(buildGroup): ignore.. Unknown '") + attribute + "' for group number3";
        at = text.find(line, at);
        ASSERT_NE(at, std::string::npos) << line << " in its order, in\n" << text;
    }
    EXPECT_TRUE(world.store().writes().empty());
}

TEST(UnionGroups, PrintsItsChildrenStations)
{
    TreeRig rig;
    std::ostringstream os;
    os << rig.sut;
    EXPECT_EQ(os.str(), "Group101 ([ SES1 SES2 ]) ([ SES3 ])");
}
