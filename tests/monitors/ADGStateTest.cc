#include <gtest/gtest.h>

#include <memory>

#include "ADGState.h"
#include "Exceptions.h"
#include "TestSupport.h"

using namespace UniSetTypes;
using testing_support::TestWorld;

namespace
{
    const std::string kBench = R"(<settings><ADGState name="ADGState"/></settings>
        <nodes><item id="1" name="localhost"/></nodes>
        <sensors>
          <item id="901" name="Ready_S" iotype="DI"/>
          <item id="902" name="AlarmStop_S" iotype="DI"/>
          <item id="903" name="Generator_S" iotype="DI"/>
          <item id="10101" name="Connected_S" iotype="DI"/>
          <item id="10102" name="Fault_S" iotype="DI"/>
          <item id="10103" name="QGA_Prot_S" iotype="DI"/>
          <item id="10146" name="ADG_Generator_State_AS" iotype="AI"/>
          <item id="10151" name="ADG_State_AS" iotype="AI"/>
        </sensors>
        <objects><item id="5210" name="ADGState"/></objects>)";

    struct Emergency
    {
        Emergency() : world(kBench), sut(world.id("ADGState"), world.cfg().getNode("ADGState"))
        {
            testing_support::startUp(sut);
            sut.callback();
        }

        void set(ObjectId id, long value) { world.store().setValue(id, value, DefaultObjectId); }
        long setState() { return world.store().getValue(10151); }
        long generatorState() { return world.store().getValue(10146); }

        TestWorld world;
        ADGState sut;
    };
}

struct ADGStateRuleCase
{
    std::string name;
    long ready, alarmStop, generator, connected, fault, qgaProtection;
    long setCode, generatorCode;
};

void PrintTo(const ADGStateRuleCase& c, std::ostream* os) { *os << c.name; }

class ADGStateRule : public testing::TestWithParam<ADGStateRuleCase>
{
};

TEST_P(ADGStateRule, PublishesBothCodesAtTheEndOfThePass)
{
    const ADGStateRuleCase& c = GetParam();
    Emergency e;
    e.set(901, c.ready);
    e.set(902, c.alarmStop);
    e.set(903, c.generator);
    e.set(10101, c.connected);
    e.set(10102, c.fault);
    e.set(10103, c.qgaProtection);

    e.sut.callback();

    EXPECT_EQ(e.setState(), c.setCode);
    EXPECT_EQ(e.generatorState(), c.generatorCode);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ADGStateRule,
    testing::Values(ADGStateRuleCase{"Stopped", 0, 0, 0, 0, 0, 0, ADGState::stOff, ADGState::stOff},
                    ADGStateRuleCase{"StoppedThoughConnected", 0, 0, 0, 1, 0, 0, ADGState::stOff, ADGState::stOff},
                    ADGStateRuleCase{"WorkingNotConnected", 0, 0, 1, 0, 0, 0, ADGState::stRunning, ADGState::stOn},
                    ADGStateRuleCase{"WorkingAndConnected", 1, 0, 1, 1, 0, 0, ADGState::stOn, ADGState::stOn},
                    ADGStateRuleCase{"AlarmStop", 0, 1, 1, 1, 0, 0, ADGState::stFault, ADGState::stFault},
                    ADGStateRuleCase{"Fault", 0, 0, 0, 0, 1, 0, ADGState::stFault, ADGState::stFault},
                    ADGStateRuleCase{"BreakerProtection", 0, 0, 1, 0, 0, 1, ADGState::stFault, ADGState::stFault}),
    [](const testing::TestParamInfo<ADGStateRuleCase>& info) { return info.param.name; });

TEST(ADGState, UnusedInputChangesNoOutput)
{
    Emergency e;
    e.set(903, 1);
    e.sut.callback();
    e.world.store().clearWrites();

    e.set(901, 1);
    e.sut.callback();
    e.set(901, 0);
    e.sut.callback();

    EXPECT_TRUE(e.world.writesOf("ADG_State_AS").empty());
    EXPECT_TRUE(e.world.writesOf("ADG_Generator_State_AS").empty());
}

TEST(ADGState, ItemsAreTheFixedIdsOnTheLocalNode)
{
    TestWorld world(kBench, {"test", "--print-id-list"});
    testing::internal::CaptureStdout();
    ADGState sut(world.id("ADGState"), world.cfg().getNode("ADGState"));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(sut.id_10103, 10103);
    EXPECT_EQ(sut.node_ADG_State_AS, world.cfg().getLocalNode());
    EXPECT_EQ(sut.sleepMsec, 300);
}

TEST(ADGState, SetValueWritesAnOutputAtOnce)
{
    Emergency e;

    e.sut.setValue(10151, 9);

    EXPECT_EQ(e.setState(), 9);
}

TEST(ADGState, NoNodeIsRefused)
{
    TestWorld world(kBench);
    try
    {
        ADGState sut(world.id("ADGState"), nullptr);
        FAIL() << "constructed";
    }
    catch (const Exception& ex)
    {
        EXPECT_EQ(ex.text, "ADGState: FAILED! not found confnode in confile!");
    }
}

TEST(ADGState, UnknownAlarmIsOneWholeLineAtEveryLevel)
{
    Emergency e;
    testing_support::LogCapture log(unideb);
    unideb.level(Debug::LEVEL1);

    EXPECT_FALSE(e.sut.alarm(77, true));
    EXPECT_FALSE(e.sut.alarm(78, false));

    const std::string text = log.text();
    EXPECT_NE(text.find("ADGState(alarm): SEND (77) not found MessgeOID?!!\n"), std::string::npos) << text;
    EXPECT_NE(text.find("ADGState(alarm): RESET (78) not found MessgeOID?!!\n"), std::string::npos) << text;
}
