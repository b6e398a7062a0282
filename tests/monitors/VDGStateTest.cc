#include <gtest/gtest.h>

#include <memory>

#include "AState.h"
#include "Exceptions.h"
#include "TestSupport.h"
#include "VDGState.h"

using namespace UniSetTypes;
using testing_support::TestWorld;

namespace
{
    const std::string kSetNode = R"(Diesel_Working_s="Diesel_S" Generator_Working_s="Generator_S" )"
                                 R"(DG_Working_s="DG_Working_S" State_as="VDG_State_as" Generator_as="Generator_as")";

    std::string bench(const std::string& setAttributes)
    {
        return R"(<settings>
              <QG1StateLogic name="QG1StateLogic" state_as="QG_State_as" on_s="QG_On_S" protection_s="QG_Prot_S"/>
              <VDG1StateLogic name="VDG1StateLogic" )" + setAttributes + R"(/>
            </settings>
            <nodes><item id="1" name="localhost"/></nodes>
            <sensors>
              <item id="100" name="QG_State_as" iotype="AI"/>
              <item id="101" name="QG_On_S" iotype="DI"/>
              <item id="103" name="QG_Prot_S" iotype="DI"/>
              <item id="110" name="Diesel_S" iotype="DI"/>
              <item id="111" name="Generator_S" iotype="DI"/>
              <item id="112" name="DG_Working_S" iotype="DI"/>
              <item id="113" name="VDG_State_as" iotype="AI"/>
              <item id="114" name="Generator_as" iotype="AI"/>
            </sensors>
            <objects>
              <item id="5200" name="QG1StateLogic"/>
              <item id="5205" name="VDG1StateLogic"/>
            </objects>)";
    }

    // A set bound to its breaker's state object; the breaker's state is set by hand.
    struct Set
    {
        Set()
            : world(bench(kSetNode)),
              breaker(world.id("QG1StateLogic"), world.cfg().getNode("QG1StateLogic")),
              sut(world.id("VDG1StateLogic"), world.cfg().getNode("VDG1StateLogic"), &breaker)
        {
            testing_support::startUp(sut);
            sut.callback();
        }

        void inputs(bool diesel, bool generator)
        {
            world.set("Diesel_S", diesel);
            world.set("Generator_S", generator);
            sut.callback();
        }

        TestWorld world;
        AState breaker;
        VDGState sut;
    };
}

struct VDGStateRuleCase
{
    std::string name;
    bool diesel, generator;
    long breaker;
    long expected;
};

void PrintTo(const VDGStateRuleCase& c, std::ostream* os) { *os << c.name; }

class VDGStateRule : public testing::TestWithParam<VDGStateRuleCase>
{
};

TEST_P(VDGStateRule, GivesTheSetStateCode)
{
    const VDGStateRuleCase& c = GetParam();
    Set s;
    s.breaker.out_state_as = c.breaker;

    s.inputs(c.diesel, c.generator);

    EXPECT_EQ(s.world.get("VDG_State_as"), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VDGStateRule,
    testing::Values(VDGStateRuleCase{"WorkingAndConnected", true, true, AState::stOn, AState::stOn},
                    VDGStateRuleCase{"WorkingBreakerProtection", true, true, AState::stProtection, AState::stProtection},
                    VDGStateRuleCase{"WorkingBreakerOff", true, true, AState::stOff, VDGState::stRunning},
                    VDGStateRuleCase{"WorkingBreakerUndefined", true, true, AState::stUndefined, VDGState::stRunning},
                    VDGStateRuleCase{"StoppedBreakerOff", false, false, AState::stOff, AState::stOff},
                    VDGStateRuleCase{"DieselAloneBreakerOff", true, false, AState::stOff, AState::stOff},
                    VDGStateRuleCase{"StoppedBreakerProtection", false, false, AState::stProtection, AState::stProtection},
                    VDGStateRuleCase{"DieselAloneBreakerOn", true, false, AState::stOn, VDGState::stDieselOnly},
                    VDGStateRuleCase{"DieselAloneBreakerUndefined", true, false, AState::stUndefined, VDGState::stDieselOnly},
                    VDGStateRuleCase{"StoppedBreakerOn", false, false, AState::stOn, VDGState::stUndefined},
                    VDGStateRuleCase{"GeneratorAloneBreakerOn", false, true, AState::stOn, VDGState::stUndefined},
                    VDGStateRuleCase{"StoppedBreakerUndefined", false, false, AState::stUndefined, VDGState::stUndefined}),
    [](const testing::TestParamInfo<VDGStateRuleCase>& info) { return info.param.name; });

TEST(VDGState, BreakerOpeningIsSeenOnTheNextPassWithoutAMessage)
{
    Set s;
    s.breaker.out_state_as = AState::stOn;
    s.inputs(true, true);
    ASSERT_EQ(s.world.get("VDG_State_as"), AState::stOn);

    s.breaker.out_state_as = AState::stOff;
    ASSERT_EQ(s.sut.countMessages(), 0u);
    s.sut.callback();

    EXPECT_EQ(s.world.get("VDG_State_as"), VDGState::stRunning);
}

TEST(VDGState, GeneratorWithoutDieselIsNotAWorkingSet)
{
    Set s;

    s.inputs(false, true);

    EXPECT_EQ(s.world.get("DG_Working_S"), 0);
    EXPECT_EQ(s.world.get("Generator_as"), 1);
}

TEST(VDGState, EitherInputRecomputesBothFlags)
{
    Set s;
    s.inputs(true, true);
    ASSERT_EQ(s.world.get("DG_Working_S"), 1);

    s.world.set("Diesel_S", 0);
    s.sut.callback();
    EXPECT_EQ(s.world.get("DG_Working_S"), 0);
    EXPECT_EQ(s.world.get("Generator_as"), 1);

    s.world.set("Generator_S", 0);
    s.sut.callback();
    EXPECT_EQ(s.world.get("Generator_as"), 0);
}

TEST(VDGState, ReadsTheBreakerStateWhileItsThreadWritesIt)
{
    // The breaker's loop and the set's loop run on threads of their own.
    Set s;
    s.inputs(true, true);
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (long i = 0; !stop; ++i)
            s.breaker.out_state_as = (i % 2) ? AState::stOn : AState::stOff;
    });
    for (int i = 0; i < 200; ++i)
        s.sut.callback();
    stop = true;
    writer.join();

    for (long v : s.world.writesOf("VDG_State_as"))
        EXPECT_TRUE(v == AState::stOn || v == VDGState::stRunning || v == 0) << v;
}

struct VDGStateConstructionCase
{
    std::string name;
    std::string attributes;
    std::string text;
};

void PrintTo(const VDGStateConstructionCase& c, std::ostream* os) { *os << c.name; }

class VDGStateConstruction : public testing::TestWithParam<VDGStateConstructionCase>
{
};

TEST_P(VDGStateConstruction, FailsNamingTheSensor)
{
    TestWorld world(bench(GetParam().attributes));
    AState breaker(world.id("QG1StateLogic"), world.cfg().getNode("QG1StateLogic"));
    try
    {
        VDGState sut(world.id("VDG1StateLogic"), world.cfg().getNode("VDG1StateLogic"), &breaker);
        FAIL() << "constructed";
    }
    catch (const Exception& ex)
    {
        EXPECT_EQ(ex.text, GetParam().text);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VDGStateConstruction,
    testing::Values(
        VDGStateConstructionCase{"NoDiesel", R"(Generator_Working_s="Generator_S" DG_Working_s="DG_Working_S" )"
                                     R"(State_as="VDG_State_as" Generator_as="Generator_as")",
                         "VDG1StateLogic: Not found ID for (Diesel_Working_s) "},
        VDGStateConstructionCase{"UnknownStateSensor", R"(Diesel_Working_s="Diesel_S" Generator_Working_s="Generator_S" )"
                                               R"(DG_Working_s="DG_Working_S" State_as="Nope" Generator_as="Generator_as")",
                         "VDG1StateLogic: Not found ID for (State_as) Nope"},
        VDGStateConstructionCase{"WorkingFlagIsAnalog",
                         R"(Diesel_Working_s="Diesel_S" Generator_Working_s="Generator_S" )"
                         R"(DG_Working_s="Generator_as" State_as="VDG_State_as" Generator_as="Generator_as")",
                         "VDG1StateLogic(init): Invalid 'iotype' for 'DG_Working_s' set 'DI' but Generator_as='AI'"},
        VDGStateConstructionCase{"GeneratorValueIsDigital",
                         R"(Diesel_Working_s="Diesel_S" Generator_Working_s="Generator_S" )"
                         R"(DG_Working_s="DG_Working_S" State_as="VDG_State_as" Generator_as="Generator_S")",
                         "VDG1StateLogic(init): Invalid 'iotype' for 'Generator_as' set 'AI' but Generator_S='DI'"},
        VDGStateConstructionCase{"UnknownNode", kSetNode + R"( node_State_as="nowhere")",
                         "VDG1StateLogic: Not found NodeID for (node='node_State_as') nowhere"}),
    [](const testing::TestParamInfo<VDGStateConstructionCase>& info) { return info.param.name; });
