#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ControlWorld.h"
#include "PriorityController.h"

using control_test::controlWorld;
using control_test::Edits;
using testing_support::LogCapture;
using testing_support::TestWorld;

namespace
{
    // The priority lists of the control world: selector 1 writes 1, 2; selector 2
    // writes 2, 1; the default list 3, 4.
    struct PriorityRig
    {
        explicit PriorityRig(const Edits& edits = {}) : world(controlWorld(edits))
        {
            sut = std::make_unique<PriorityController>(world.id("PriorityController"), world.cfg().getNode("prioritylist"),
                                                       classLog);
        }

        // Start-up, and every selector message it brings.
        void startUp()
        {
            testing_support::startUp(*sut);
            pass();
        }
        void pass() { sut->callback(); }
        void select(const std::string& selector, bool on)
        {
            world.set(selector, on);
            pass();
        }
        std::vector<long> priorities() { return {world.get("SES1_Priority_s"), world.get("SES2_Priority_s")}; }
        bool logged(const std::string& text) const { return log.text().find(text) != std::string::npos; }

        TestWorld world;
        DebugStream classLog;
        LogCapture log{classLog};
        std::unique_ptr<PriorityController> sut;
    };

    struct SelectionCase
    {
        const char* name;
        bool selector1;
        bool selector2;
        std::vector<long> priorities;
        const char* line;
    };

    class PrioritySelection : public ::testing::TestWithParam<SelectionCase>
    {
    };
}

TEST_P(PrioritySelection, WritesTheListOfTheLowestSelectorOn)
{
    const SelectionCase& c = GetParam();
    PriorityRig rig;
    rig.startUp();

    // The second selector moves last, so its message is the one that chooses.
    rig.select("Prio_Sel1_S", c.selector1);
    rig.select("Prio_Sel2_S", c.selector2);

    EXPECT_EQ(rig.priorities(), c.priorities);
    EXPECT_TRUE(rig.logged(c.line)) << rig.log.text();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PrioritySelection,
    ::testing::Values(
        SelectionCase{"NoneOnWritesTheDefaultList", false, false, {3, 4},
                      "PriorityController(sensorInfo): save default priority"},
        SelectionCase{"FirstSelector", true, false, {1, 2}, "PriorityController(sensorInfo): save priority for Prio_Sel1_S"},
        SelectionCase{"SecondSelector", false, true, {2, 1}, "(sensorInfo): save priority for Prio_Sel2_S"},
        SelectionCase{"BothOnTheLowerIdWinsWhoeverSent", true, true, {1, 2}, "(sensorInfo): save priority for Prio_Sel1_S"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PriorityController, SelectorTurnedOffFallsBackToTheOtherThenToTheDefault)
{
    PriorityRig rig;
    rig.startUp();
    rig.select("Prio_Sel1_S", true);
    rig.select("Prio_Sel2_S", true);

    rig.select("Prio_Sel1_S", false);
    EXPECT_EQ(rig.priorities(), (std::vector<long>{2, 1}));

    rig.select("Prio_Sel2_S", false);
    EXPECT_EQ(rig.priorities(), (std::vector<long>{3, 4}));
}

TEST(PriorityController, StartUpWritesTheChosenList)
{
    PriorityRig rig;
    rig.world.set("Prio_Sel2_S", 1);

    testing_support::startUp(*rig.sut);

    EXPECT_EQ(rig.priorities(), (std::vector<long>{2, 1}));
    EXPECT_TRUE(rig.logged("PriorityController(askSensors): save priority for Prio_Sel2_S"));
}

TEST(PriorityController, WithoutSelectorsTheDefaultListIsWrittenAtStartUp)
{
    PriorityRig rig(Edits{{R"(<list name="Prio_Sel1_S">
        <item id="SES1_Priority_s" priority="1"/>
        <item id="SES2_Priority_s" priority="2"/>
      </list>
      <list name="Prio_Sel2_S">
        <item id="SES1_Priority_s" priority="2"/>
        <item id="SES2_Priority_s" priority="1"/>
      </list>)",
                           ""}});

    testing_support::startUp(*rig.sut);

    EXPECT_EQ(rig.priorities(), (std::vector<long>{3, 4}));
    EXPECT_TRUE(rig.logged("PriorityController(askSensors): save default priority"));
}

TEST(PriorityController, DefaultMarkedZeroIsStillTheDefaultList)
{
    PriorityRig rig(Edits{{R"(<list default="1">)", R"(<list default="0">)"}});

    rig.startUp();

    EXPECT_EQ(rig.priorities(), (std::vector<long>{3, 4}));
}

TEST(PriorityController, WithoutDefaultListNothingIsWrittenUntilASelectorIsOn)
{
    // Selector 2 is named twice: the later list (3, 4) is its list.
    PriorityRig rig(Edits{{R"(<list default="1">)", R"(<list name="Prio_Sel2_S">)"}});
    rig.startUp();

    EXPECT_TRUE(rig.logged("(sensorInfo): save default priority"));
    EXPECT_TRUE(rig.world.writesOf("SES1_Priority_s").empty());

    rig.select("Prio_Sel2_S", true);
    EXPECT_EQ(rig.priorities(), (std::vector<long>{3, 4}));
}

TEST(PriorityController, ItemWithoutPriorityWritesZero)
{
    PriorityRig rig(Edits{{R"(<item id="SES2_Priority_s" priority="4"/>)", R"(<item id="SES2_Priority_s"/>)"}});
    rig.world.set("SES2_Priority_s", 9);

    rig.startUp();

    EXPECT_EQ(rig.priorities(), (std::vector<long>{3, 0}));
}

TEST(PriorityController, PairThatCannotBeWrittenIsGivenUpAfterThreeTriesAndTheRestAreWritten)
{
    PriorityRig rig;
    control_test::ScopedFailingStore failing(rig.world);
    failing.store.failWrites.insert(rig.world.id("SES1_Priority_s"));

    testing_support::startUp(*rig.sut);

    const std::string text = rig.log.text();
    const std::string line = "PriorityController(askSensors): (setValue): sensor 100 cannot be written";
    size_t lines = 0;
    for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1))
        ++lines;
    EXPECT_EQ(lines, 3u) << text;
    EXPECT_EQ(rig.world.get("SES2_Priority_s"), 4);
}

TEST(PriorityController, SelectorThatCouldNotBeAskedIsAskedAgain)
{
    PriorityRig rig;
    control_test::ScopedFailingStore failing(rig.world);
    failing.store.failAsks.insert(rig.world.id("Prio_Sel1_S"));
    failing.store.askFailuresLeft = 1;
    rig.startUp();

    rig.select("Prio_Sel1_S", true);

    EXPECT_TRUE(rig.logged("PriorityController(askSensors): (ask): sensor 110 cannot be asked"));
    EXPECT_EQ(rig.priorities(), (std::vector<long>{1, 2}));
}

TEST(PriorityController, MessageOfAnotherSensorWritesNothing)
{
    PriorityRig rig;
    rig.startUp();
    rig.world.store().clearWrites();

    UniSetTypes::SensorMessage sm;
    sm.id = rig.world.id("SES1_Priority_s");
    rig.sut->push(sm.transport());
    rig.pass();

    EXPECT_TRUE(rig.logged("PriorityController(sensorInfo): Unknown sensor id=100"));
    EXPECT_TRUE(rig.world.store().writes().empty());
}
