// Building the simulators from a section of the simulator file: what a wrong
// section makes them say.
#include <gtest/gtest.h>

#include "Exceptions.h"
#include "SimulatorBench.h"

using simtest::edited;
using simtest::sampleSimulatorFile;
using simtest::SimulatorWorld;

namespace
{
    using Edits = std::vector<std::pair<std::string, std::string>>;

    std::string editedSample(const Edits& edits)
    {
        std::string text = sampleSimulatorFile();
        for (const auto& [from, to] : edits)
            text = edited(text, from, to);
        return text;
    }
}

struct ConstructionCase
{
    std::string name;
    std::string section;
    Edits edits;            // of the sample simulator file
    std::string objectName;
    std::string error;      // expected part of the text
    friend void PrintTo(const ConstructionCase& c, std::ostream* os) { *os << c.name; }
};

class ConstructionErrorTest : public ::testing::TestWithParam<ConstructionCase>
{
};

TEST_P(ConstructionErrorTest, RefusesWithATextNamingTheFault)
{
    const ConstructionCase& c = GetParam();
    SimulatorWorld sim(editedSample(c.edits));

    try
    {
        if (c.section == "GRSHImitator")
            GRSHImitator sut(c.objectName, sim.section(c.section));
        else
            Mendra sut(c.objectName, sim.section(c.section));
        FAIL() << "built";
    }
    catch (const UniSetTypes::Exception& ex)
    {
        EXPECT_NE(ex.text.find(c.error), std::string::npos) << ex.text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sections, ConstructionErrorTest,
    ::testing::Values(
        ConstructionCase{"StationWithoutPower", "SEES1Imitator", {{"P_as=\"SES1_P_as\"", ""}}, "SEES1Imitator",
                         "SEES1Imitator: Not found ID for (P_as) "},
        ConstructionCase{"StationPowerNotAnalog", "SEES1Imitator", {{"P_as=\"SES1_P_as\"", "P_as=\"SES1_QG_On_S\""}},
                         "SEES1Imitator", "SEES1Imitator(init): Invalid 'iotype' for 'P_as' set 'AI' but SES1_QG_On_S='DI'"},
        ConstructionCase{"StationOnAnUnknownNode", "SEES1Imitator",
                         {{"P_as=\"SES1_P_as\"", "P_as=\"SES1_P_as\" node_P_as=\"far\""}}, "SEES1Imitator",
                         "SEES1Imitator: Not found NodeID for (node='node_P_as') far"},
        ConstructionCase{"StationNotAnObject", "SEES1Imitator", {}, "SEES9Imitator",
                         "(Mendra::init): Unknown ObjectID!"},
        ConstructionCase{"SwitchboardWithoutQG4", "GRSHImitator", {{"QG4_State_as=\"SES4_qg_state_as\"", ""}},
                         "GRSHImitator", "GRSHImitator: Not found ID for (QG4_State_as) "},
        ConstructionCase{"SwitchboardCommandNotAnOutput", "GRSHImitator",
                         {{"QC_On_C=\"GRSH_QC_On_C\"", "QC_On_C=\"GRSH_QC_On_S\""}}, "GRSHImitator",
                         "GRSHImitator(init): Invalid 'iotype' for 'QC_On_C' set 'DO' but "},
        ConstructionCase{"SwitchboardWithoutQglist", "GRSHImitator",
                         {{"QG_count_as=\"GRSH_QG_count_as\">", "QG_count_as=\"GRSH_QG_count_as\"/>"},
                          {"</GRSHImitator>", ""}},
                         "GRSHImitator", "not found qglist for GRSHImitator"},
        ConstructionCase{"SwitchboardQglistNamesNoSensor", "GRSHImitator",
                         {{"<item name=\"SES3_QG_On_S\"/>", "<item name=\"SES3_QG_Closed\"/>"}}, "GRSHImitator", "GRSHImitator init error"}),
    [](const auto& info) { return info.param.name; });

TEST(ConstructionTest, AStationWithoutItsOptionalSensorsIsBuilt)
{
    SimulatorWorld sim(editedSample(
        {{"MaxPossibleRotation_S=\"SES1_MaxPossibleRotation_S\"", ""}, {"Overload95_S=\"SES1_Overload95_S\"", ""}}));

    Mendra sut("SEES1Imitator", sim.section("SEES1Imitator"));

    EXPECT_EQ(sut.MaxPossibleRotation_S, UniSetTypes::DefaultObjectId);
    EXPECT_EQ(sut.Overload95_S, UniSetTypes::DefaultObjectId);
}

TEST(ConstructionTest, TheDefaultConstructorsRefuse)
{
    SimulatorWorld sim;

    EXPECT_THROW(Mendra{}, UniSetTypes::Exception);
    EXPECT_THROW(GRSHImitator{}, UniSetTypes::Exception);
}
