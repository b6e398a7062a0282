#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "AState.h"
#include "Exceptions.h"
#include "TestSupport.h"

using namespace UniSetTypes;
using testing_support::TestWorld;

namespace
{
    const std::string kAllInputs = R"(state_as="QG_State_as" on_s="QG_On_S" off_s="QG_Off_S" )"
                                   R"(protection_s="QG_Prot_S" protection2_s="QG_Prot2_S" rom_protection_s="QG_Rom_S")";
    const std::string kOnOnly = R"(state_as="QG_State_as" on_s="QG_On_S" protection_s="QG_Prot_S")";

    std::string bench(const std::string& attributes)
    {
        return R"(<settings><QG1StateLogic name="QG1StateLogic" )" + attributes + R"(/></settings>
            <nodes><item id="1" name="localhost"/></nodes>
            <sensors>
              <item id="100" name="QG_State_as" iotype="AI"/>
              <item id="101" name="QG_On_S" iotype="DI"/>
              <item id="102" name="QG_Off_S" iotype="DI" default="1"/>
              <item id="103" name="QG_Prot_S" iotype="DI"/>
              <item id="104" name="QG_Prot2_S" iotype="DI"/>
              <item id="105" name="QG_Rom_S" iotype="DI"/>
            </sensors>
            <objects><item id="5200" name="QG1StateLogic"/></objects>)";
    }

    std::unique_ptr<AState> makeBreaker(TestWorld& world)
    {
        return std::make_unique<AState>(world.id("QG1StateLogic"), world.cfg().getNode("QG1StateLogic"));
    }

    // A breaker object past its start-up, with the contacts that came with it settled.
    struct Breaker
    {
        explicit Breaker(const std::string& attributes, std::vector<std::string> args = {})
            : world(bench(attributes), std::move(args)), sut(makeBreaker(world))
        {
            testing_support::startUp(*sut);
            settle();
            world.store().clearWrites();
        }

        void pass() { sut->callback(); }
        // Passes until the first one after the contacts have been still for the whole delay.
        void settle()
        {
            const int64_t end = world.clock().nowMs() + sut->unknownTimeout();
            while (world.clock().nowMs() <= end)
                pass();
            pass();
        }
        long state() { return world.get("QG_State_as"); }

        TestWorld world;
        std::unique_ptr<AState> sut;
    };
}

// --- the state rule, once the contacts are still

struct AStateRuleCase
{
    std::string name;
    bool offConfigured;
    long on, off, protection, protection2, rom;
    bool atOnce; // seen after one pass, without waiting out the delay
    long expected;
};

void PrintTo(const AStateRuleCase& c, std::ostream* os) { *os << c.name; }

class AStateRule : public testing::TestWithParam<AStateRuleCase>
{
};

TEST_P(AStateRule, GivesTheStateCodeOfTheInputs)
{
    const AStateRuleCase& c = GetParam();
    Breaker b(c.offConfigured ? kAllInputs : kOnOnly);
    b.world.set("QG_On_S", c.on);
    b.world.set("QG_Off_S", c.off);
    b.world.set("QG_Prot_S", c.protection);
    b.world.set("QG_Prot2_S", c.protection2);
    b.world.set("QG_Rom_S", c.rom);

    b.pass();
    if (c.atOnce)
    {
        EXPECT_EQ(b.state(), c.expected);
    }
    b.settle();

    EXPECT_EQ(b.state(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AStateRule,
    testing::Values(AStateRuleCase{"Closed", true, 1, 0, 0, 0, 0, false, AState::stOn},
                    AStateRuleCase{"Open", true, 0, 1, 0, 0, 0, false, AState::stOff},
                    AStateRuleCase{"BothContactsClosedIsUndefined", true, 1, 1, 0, 0, 0, false, AState::stUndefined},
                    AStateRuleCase{"BothContactsOpenIsUndefined", true, 0, 0, 0, 0, 0, false, AState::stUndefined},
                    AStateRuleCase{"ProtectionWinsOverTheContacts", true, 1, 0, 1, 0, 0, true, AState::stProtection},
                    AStateRuleCase{"SecondProtection", true, 0, 1, 0, 1, 0, true, AState::stProtection},
                    AStateRuleCase{"RomProtection", true, 1, 1, 0, 0, 1, true, AState::stProtection},
                    AStateRuleCase{"WithoutOffContactOnDecidesAtOnce", false, 1, 0, 0, 0, 0, true, AState::stOn},
                    AStateRuleCase{"WithoutOffContactNeverUndefined", false, 0, 0, 0, 0, 0, true, AState::stOff},
                    AStateRuleCase{"WithoutOffContactOnOpensAtOnce", false, 0, 1, 0, 0, 0, true, AState::stOff}),
    [](const testing::TestParamInfo<AStateRuleCase>& info) { return info.param.name; });

// --- the settling delay

TEST(AState, ClosingBreakerNeverShowsUndefinedInTransit)
{
    Breaker b(kAllInputs);
    ASSERT_EQ(b.state(), AState::stOff);

    b.world.set("QG_On_S", 1); // both contacts closed for a moment
    b.pass();
    b.pass();
    b.world.set("QG_Off_S", 0);
    b.pass();
    const int64_t lastChange = b.world.clock().nowMs();
    while (b.world.clock().nowMs() < lastChange + b.sut->unknownTimeout())
    {
        EXPECT_EQ(b.state(), AState::stOff);
        b.pass();
    }
    b.pass();

    EXPECT_EQ(b.state(), AState::stOn);
    const auto written = b.world.writesOf("QG_State_as");
    EXPECT_EQ(std::count(written.begin(), written.end(), AState::stUndefined), 0);
}

TEST(AState, ContactsStuckTogetherShowUndefinedAfterTheDelay)
{
    Breaker b(kAllInputs);
    b.world.set("QG_On_S", 1);

    b.settle();

    EXPECT_EQ(b.state(), AState::stUndefined);
}

TEST(AState, ProtectionDuringTransitShowsAtOnceAndHolds)
{
    Breaker b(kAllInputs);
    b.world.set("QG_On_S", 1);
    b.pass();
    ASSERT_TRUE(b.sut->waitingUnknown());

    b.world.set("QG_Prot_S", 1);
    b.pass();
    EXPECT_EQ(b.state(), AState::stProtection);
    EXPECT_TRUE(b.sut->waitingUnknown());

    b.settle();
    EXPECT_EQ(b.state(), AState::stProtection);
    EXPECT_FALSE(b.sut->waitingUnknown());
}

TEST(AState, ProtectionClearedDuringTransitRecomputesFromTheContactsAsTheyStand)
{
    Breaker b(kAllInputs);
    b.world.set("QG_Prot_S", 1);
    b.pass();
    b.world.set("QG_On_S", 1);
    b.pass();

    b.world.set("QG_Prot_S", 0);
    b.pass();
    EXPECT_EQ(b.state(), AState::stUndefined);

    b.world.set("QG_Off_S", 0);
    b.settle();
    EXPECT_EQ(b.state(), AState::stOn);
}

TEST(AState, UnconfiguredProtectionHoldsItsDefault)
{
    Breaker quiet(kOnOnly);
    quiet.world.set("QG_On_S", 1);
    quiet.pass();
    EXPECT_EQ(quiet.state(), AState::stOn);

    Breaker held(kOnOnly, {"test", "--protection2_s-default", "1"});
    held.world.set("QG_On_S", 1);
    held.pass();
    EXPECT_EQ(held.state(), AState::stProtection);
}

TEST(AState, UnknownSensorMessageRecomputesAtOnce)
{
    Breaker b(kAllInputs);
    b.world.set("QG_On_S", 1);
    b.pass();
    ASSERT_EQ(b.state(), AState::stOff);

    b.sut->push(SensorMessage(999, 1, UniversalIO::DigitalInput).transport());
    b.pass();

    EXPECT_EQ(b.state(), AState::stUndefined);
}

TEST(AState, BreakerStateIsTheComputedCode)
{
    Breaker b(kOnOnly);
    b.world.set("QG_On_S", 1);
    b.pass();

    EXPECT_EQ(b.sut->breakerState(), AState::stOn);
}

struct AStateTimeoutCase
{
    std::string name;
    std::string attribute;
    int expected;
};

void PrintTo(const AStateTimeoutCase& c, std::ostream* os) { *os << c.name; }

class AStateUnknownTimeout : public testing::TestWithParam<AStateTimeoutCase>
{
};

TEST_P(AStateUnknownTimeout, FallsBackTo2000WhenNotPositive)
{
    TestWorld world(bench(kAllInputs + GetParam().attribute));
    auto sut = makeBreaker(world);
    EXPECT_EQ(sut->unknownTimeout(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, AStateUnknownTimeout,
                         testing::Values(AStateTimeoutCase{"Missing", "", 2000},
                                         AStateTimeoutCase{"Zero", R"( unknownTimeout="0")", 2000},
                                         AStateTimeoutCase{"Negative", R"( unknownTimeout="-5")", 2000},
                                         AStateTimeoutCase{"Given", R"( unknownTimeout="500")", 500}),
                         [](const testing::TestParamInfo<AStateTimeoutCase>& info) { return info.param.name; });

// --- construction

struct AStateConstructionCase
{
    std::string name;
    std::string attributes;
    std::string text;
};

void PrintTo(const AStateConstructionCase& c, std::ostream* os) { *os << c.name; }

class AStateConstruction : public testing::TestWithParam<AStateConstructionCase>
{
};

TEST_P(AStateConstruction, FailsNamingTheSensor)
{
    TestWorld world(bench(GetParam().attributes));
    try
    {
        makeBreaker(world);
        FAIL() << "constructed";
    }
    catch (const Exception& ex)
    {
        EXPECT_EQ(ex.text, GetParam().text);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AStateConstruction,
    testing::Values(
        AStateConstructionCase{"NoStateSensor", R"(on_s="QG_On_S" protection_s="QG_Prot_S")",
                         "QG1StateLogic: Not found ID for (state_as) "},
        AStateConstructionCase{"NoOnContact", R"(state_as="QG_State_as" protection_s="QG_Prot_S")",
                         "QG1StateLogic: Not found ID for (on_s) "},
        AStateConstructionCase{"UnknownProtection", R"(state_as="QG_State_as" on_s="QG_On_S" protection_s="Nope")",
                         "QG1StateLogic: Not found ID for (protection_s) Nope"},
        AStateConstructionCase{"StateIsDigital", R"(state_as="QG_On_S" on_s="QG_On_S" protection_s="QG_Prot_S")",
                         "QG1StateLogic(init): Invalid 'iotype' for 'state_as' set 'AI' but QG_On_S='DI'"},
        AStateConstructionCase{"OnContactIsAnalog", R"(state_as="QG_State_as" on_s="QG_State_as" protection_s="QG_Prot_S")",
                         "QG1StateLogic(init): Invalid 'iotype' for 'on_s' set 'DI' but QG_State_as='AI'"},
        AStateConstructionCase{"UnknownNode", kOnOnly + R"( node_on_s="nowhere")",
                         "QG1StateLogic: Not found NodeID for (node='node_on_s') nowhere"}),
    [](const testing::TestParamInfo<AStateConstructionCase>& info) { return info.param.name; });

TEST(AState, OptionalItemsWithUnknownNamesOrNodesAreSkipped)
{
    TestWorld world(bench(kOnOnly + R"( off_s="Nope" node_off_s="nowhere" rom_protection_s="QG_Rom_S" node_rom_protection_s="nowhere")"));
    auto sut = makeBreaker(world);
    EXPECT_EQ(sut->off_s, DefaultObjectId);
    EXPECT_EQ(sut->node_rom_protection_s, world.cfg().getLocalNode());
}

TEST(AState, UnknownObjectIdIsRefused)
{
    TestWorld world(bench(kAllInputs));
    EXPECT_THROW(AState(DefaultObjectId, world.cfg().getNode("QG1StateLogic")), SystemError);
}
