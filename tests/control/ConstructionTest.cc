#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ControlWorld.h"
#include "Exceptions.h"
#include "PriorityController.h"
#include "QCModes.h"
#include "RavnaLogic.h"
#include "UnionGroups.h"

using control_test::controlWorld;
using control_test::Edits;
using testing_support::LogCapture;
using testing_support::TestWorld;

namespace
{
    enum class Built
    {
        priorityLists,
        busTie,
        group
    };

    struct BadConfigurationCase
    {
        const char* name;
        Built built;
        Edits edits;
        std::string text;       // what construction fails with
        int groupNum = 0;       // the <group> built
    };

    class BadConfiguration : public ::testing::TestWithParam<BadConfigurationCase>
    {
    };

    void build(TestWorld& world, const BadConfigurationCase& c, const DebugStream& log)
    {
        switch (c.built)
        {
        case Built::priorityLists:
            PriorityController(world.id("PriorityController"), world.cfg().getNode("prioritylist"), log);
            break;
        case Built::busTie:
            RavnaLogic(world.id("RavnaLogic"), world.cfg().getNode("RavnaLogic"));
            break;
        case Built::group:
            UnionGroups(control_test::groupElement(world, c.groupNum));
            break;
        }
    }

    const std::string sel1List = R"(<list name="Prio_Sel1_S">
        <item id="SES1_Priority_s" priority="1"/>
        <item id="SES2_Priority_s" priority="2"/>
      </list>)";
}

TEST_P(BadConfiguration, EndsConstructionWithOneLineNamingWhatIsWrong)
{
    const BadConfigurationCase& c = GetParam();
    TestWorld world(controlWorld(c.edits));
    DebugStream log;
    LogCapture capture{log};
    try
    {
        build(world, c, log);
        FAIL() << "built";
    }
    catch (const UniSetTypes::Exception& ex)
    {
        EXPECT_EQ(ex.text, c.text);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadConfiguration,
    ::testing::Values(
        BadConfigurationCase{"PriorityListsWithoutLists", Built::priorityLists,
                             {{R"(<prioritylist name="PriorityController">)",
                               R"(<prioritylist name="PriorityController"/><unused>)"},
                              {"</prioritylist>", "</unused>"}},
                             "PriorityController(init): Not found items.."},
        BadConfigurationCase{"TwoDefaultLists", Built::priorityLists,
                             {{R"(<list name="Prio_Sel2_S">)", R"(<list default="yes">)"}},
                             "PriorityController(init): default list already added!! Find double default property.."},
        BadConfigurationCase{"SelectorNotASensor", Built::priorityLists,
                             {{R"(<list name="Prio_Sel1_S">)", R"(<list name="NoSuchSelector">)"}},
                             "PriorityController(init): Sensor ID not found for NoSuchSelector"},
        BadConfigurationCase{"SelectorWithoutItems", Built::priorityLists,
                             {{sel1List, R"(<list name="Prio_Sel1_S"/>)"}},
                             "PriorityController(init): Not found items for Prio_Sel1_S"},
        BadConfigurationCase{"PrioritySensorUnknown", Built::priorityLists,
                             {{R"(<item id="SES1_Priority_s" priority="1"/>)", R"(<item id="SES9_Priority_s"/>)"}},
                             "PriorityController(init): Sensor ID not found for SES9_Priority_s"},
        BadConfigurationCase{"NoQC", Built::busTie, {{R"(QC="QC1" )", ""}}, "RavnaLogic: FAILED!  not found in conf!"},
        BadConfigurationCase{"QCWithoutNode", Built::busTie, {{R"(QC="QC1")", R"(QC="QC7")"}},
                             "RavnaLogic: FAILED! QC7 not found in conf!"},
        BadConfigurationCase{"QCBadTiming", Built::busTie, {{R"(<QC1 name="QC1" OnTime="2000")", R"(<QC1 name="QC1")"}},
                             "QC1: init 'OnTime' time FAILED! Must be >0"},
        BadConfigurationCase{"GroupReserveMissing", Built::busTie,
                             {{R"( Group2_ReservPower_as="Group2_Reserv_AS")", ""}},
                             "RavnaLogic: Not found ID for (Group2_ReservPower_as) "},
        BadConfigurationCase{"TieStateNotDiscrete", Built::busTie,
                             {{R"(name="QC_On_S" iotype="DI")", R"(name="QC_On_S" iotype="AI")"}},
                             "RavnaLogic(init): Invalid 'iotype' for 'QC_State_s' set 'DI' but QC_On_S='AI'"},
        BadConfigurationCase{"StationReserveNotAnalog", Built::busTie,
                             {{R"(name="SES_Reserv_AS" iotype="AI")", R"(name="SES_Reserv_AS" iotype="DI")"}},
                             "RavnaLogic(init): Invalid 'iotype' for 'SES_ReservPower_as' set 'AI' but SES_Reserv_AS='DI'"},
        BadConfigurationCase{"GroupNumberZero", Built::group, {{R"(<group num="1" )", R"(<group num="0" )"}},
                             "(UnionGroups::init): num=0 must be > 0", 0},
        BadConfigurationCase{"GroupNumberNegative", Built::group, {{R"(<group num="1" )", R"(<group num="-3" )"}},
                             "(UnionGroups::init): num=-3 must be > 0", -3},
        BadConfigurationCase{"GroupWithoutItems", Built::group,
                             {{R"(<group num="3">
        <item name="SES4"/>
      </group>)",
                               R"(<group num="3"/>)"}},
                             "Group3: FAILED! No <items> for <group> num=3", 3}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BadConfiguration, ErrorsAreLoggedWhereTheyAreMade)
{
    {
        TestWorld world(controlWorld({{R"(<list name="Prio_Sel1_S">)", R"(<list name="NoSuchSelector">)"}}));
        DebugStream log;
        LogCapture capture{log};
        EXPECT_THROW(PriorityController(world.id("PriorityController"), world.cfg().getNode("prioritylist"), log),
                     UniSetTypes::Exception);
        EXPECT_NE(capture.text().find("PriorityController(init): Sensor ID not found for NoSuchSelector"),
                  std::string::npos);
    }
    {
        TestWorld world(controlWorld({{R"(<QC1 name="QC1" OnTime="2000")", R"(<QC1 name="QC1")"}}));
        LogCapture capture{RavnaLogic::dlog};
        EXPECT_THROW(RavnaLogic(world.id("RavnaLogic"), world.cfg().getNode("RavnaLogic")), UniSetTypes::Exception);
        EXPECT_NE(capture.text().find("RavnaLogic(create QC1): QC1: init 'OnTime' time FAILED! Must be >0"),
                  std::string::npos);
    }
}

TEST(BadConfiguration, ObjectsWithoutIdAndNodeAreRefused)
{
    TestWorld world(controlWorld());
    EXPECT_THROW(RavnaLogic(), UniSetTypes::Exception);
    try
    {
        RavnaLogic(UniSetTypes::DefaultObjectId, world.cfg().getNode("RavnaLogic"));
        FAIL() << "built without an id";
    }
    catch (const UniSetTypes::SystemError& ex)
    {
        EXPECT_EQ(ex.text, "(RavnaLogic::init): Unknown ObjectID!");
    }
}

TEST(BusTieConstruction, TheTieIsItsChildAndStartsAsleep)
{
    TestWorld world(controlWorld());
    RavnaLogic sut(world.id("RavnaLogic"), world.cfg().getNode("RavnaLogic"));

    ASSERT_EQ(sut.getObjects().size(), 1u);
    auto* qc = dynamic_cast<QC*>(sut.getObjects().front());
    ASSERT_NE(qc, nullptr);
    EXPECT_EQ(qc->getId(), world.id("QC1"));
    EXPECT_EQ(qc->currentMode(), QCSleepMode::Instance());
}
