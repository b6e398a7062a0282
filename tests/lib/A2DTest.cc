#include <gtest/gtest.h>

#include "A2D.h"
#include "TestSupport.h"
#include "UniSetObject.h"

using namespace UniSetTypes;
using testing_support::TestWorld;

namespace
{
    const char* const kSensors = R"(
  <nodes><item id="1" name="localhost"/></nodes>
  <sensors>
    <item id="200" name="State_AS" iotype="AI"/>
    <item id="201" name="Other_AS" iotype="AI"/>
    <item id="210" name="On_S" iotype="DI"/>
    <item id="211" name="On_C" iotype="DO"/>
    <item id="212" name="On_AI" iotype="AI"/>
    <item id="213" name="On_AO" iotype="AO"/>
    <item id="214" name="Prot_S" iotype="DI"/>
  </sensors>
  <objects><item id="5000" name="Owner"/></objects>)";

    std::string world(const std::string& items) { return std::string(kSensors) + "<settings><Mapper>" + items + "</Mapper></settings>"; }

    void message(A2D& sut, UniSetObject& owner, ObjectId id, long value)
    {
        const SensorMessage sm(id, value, UniversalIO::AnalogInput);
        sut.sensorInfo(&owner.ui, &sm);
    }
}

struct ConfigCase
{
    std::string name;
    std::string items;
    std::string stderrText;
    size_t itemsKept;
};

class A2DConfiguration : public testing::TestWithParam<ConfigCase>
{
};

TEST_P(A2DConfiguration, ReportsOnStandardErrorAndSkips)
{
    TestWorld w(world(GetParam().items));
    testing::internal::CaptureStderr();
    A2D sut(w.cfg().getNode("Mapper"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), GetParam().stderrText);
    EXPECT_EQ(sut.items().size(), GetParam().itemsKept);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, A2DConfiguration,
    testing::Values(
        ConfigCase{"EmptyList", "", "A2D: empty conf list\n", 0},
        ConfigCase{"UnknownAnalogId", R"(<item><v value="1"><s id="210" iotype="DI"/></v></item>)",
                   "A2D: Unknown analog sensor ID\n", 0},
        ConfigCase{"ItemWithoutValues", R"(<item id="200"/>)", "A2D: for empty list of item for analog id=200\n", 0},
        ConfigCase{"ValueWithoutOutput", R"(<item id="200"><v value="3"/><v value="1"><s id="210" iotype="DI"/></v></item>)",
                   "A2D: for empty list of digital sensor for analog id=200 value=3\n", 1},
        ConfigCase{"OutputWithoutId", R"(<item id="200"><v value="3"><s iotype="DI"/></v></item>)",
                   "A2D: ignore digital for analog value=3. Unkown id.\n", 0},
        ConfigCase{"OutputWithUnknownType", R"(<item id="200"><v value="3"><s id="210" iotype="XX"/></v></item>)",
                   "A2D: ignore digital id=210. Unknown iotype...\n", 0},
        ConfigCase{"GoodItem", R"(<item id="200"><v value="1"><s id="210" iotype="DI"/></v></item>)", "", 1}),
    [](const testing::TestParamInfo<ConfigCase>& info) { return info.param.name; });

TEST(A2D, NullNodeGivesAnEmptyMapperThatDoesNothing)
{
    TestWorld w(world(""));
    UniSetObject owner(5000);
    A2D sut(nullptr);
    sut.askSensors(&owner.ui, UniversalIO::UIONotify);
    message(sut, owner, 200, 1);
    EXPECT_TRUE(testing_support::drain(owner).empty());
    EXPECT_TRUE(w.store().writes().empty());
}

TEST(A2D, AsksOnlyTheItemsKept)
{
    TestWorld w(world(R"(<item id="200"><v value="1"><s id="210" iotype="DI"/></v></item>
                          <item id="201"><v value="1"/></item>)"));
    UniSetObject owner(5000);
    testing::internal::CaptureStderr();
    A2D sut(w.cfg().getNode("Mapper"));
    testing::internal::GetCapturedStderr();
    sut.askSensors(&owner.ui, UniversalIO::UIONotify);
    const auto queued = testing_support::drain(owner);
    ASSERT_EQ(queued.size(), 1u);
    EXPECT_EQ(SensorMessage(&queued[0]).id, 200);
}

TEST(A2D, WritesTheOutputsOfTheMatchingValueTrueAndAllOthersFalse)
{
    TestWorld w(world(R"(<item id="200">
        <v value="1"><s id="210" iotype="DI"/><s id="214" iotype="DI"/></v>
        <v value="2"><s id="211" iotype="DO"/></v>
        <v value="2"><s id="212" iotype="AI"/></v>
        <v value="3"><s id="213" iotype="AO" invert="1"/></v>
      </item>)"));
    UniSetObject owner(5000);
    A2D sut(w.cfg().getNode("Mapper"));
    w.store().setValue(214, 1, DefaultObjectId);

    message(sut, owner, 200, 2);
    EXPECT_EQ(w.store().getValue(210), 0);
    EXPECT_EQ(w.store().getValue(211), 1);
    EXPECT_EQ(w.store().getValue(212), 1);
    EXPECT_EQ(w.store().getValue(213), 1);   // inverted: true while the value differs
    EXPECT_EQ(w.store().getValue(214), 1);   // only the first child of an entry is read

    message(sut, owner, 200, 3);
    EXPECT_EQ(w.store().getValue(211), 0);
    EXPECT_EQ(w.store().getValue(212), 0);
    EXPECT_EQ(w.store().getValue(213), 0);

    w.store().clearWrites();
    message(sut, owner, 201, 2);   // not a sensor of the mapper
    EXPECT_TRUE(w.store().writes().empty());
}

TEST(A2D, FailedWriteDoesNotStopTheLaterOutputs)
{
    TestWorld w(world(R"(<item id="200"><v value="1"><s id="999" iotype="DI"/></v><v value="1"><s id="210" iotype="DI"/></v></item>)"));
    UniSetObject owner(5000);
    A2D sut(w.cfg().getNode("Mapper"));
    testing::internal::CaptureStderr();
    message(sut, owner, 200, 1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("(A2D::updateState): ask sensor failed.. =>  "),
              std::string::npos);
    EXPECT_EQ(w.store().getValue(210), 1);
}

TEST(A2D, TwoItemsOfOneSensorBothReact)
{
    TestWorld w(world(R"(<item id="200"><v value="1"><s id="210" iotype="DI"/></v></item>
                          <item id="200"><v value="1"><s id="211" iotype="DO"/></v></item>)"));
    UniSetObject owner(5000);
    A2D sut(w.cfg().getNode("Mapper"));
    message(sut, owner, 200, 1);
    EXPECT_EQ(w.store().getValue(210), 1);
    EXPECT_EQ(w.store().getValue(211), 1);
}
