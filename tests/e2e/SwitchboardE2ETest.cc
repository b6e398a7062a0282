// A Switchboard under the activator against the shared-memory store that smemory
// lays out; the plant's source and breaker signals come from another process.
#include <gtest/gtest.h>

#include "ObjectsActivator.h"
#include "StoreBench.h"
#include "Switchboard.h"

using namespace UniSetTypes;
using testing_support::StoreBench;
using testing_support::waitFor;

namespace
{
    const char* const kConfig = R"(<?xml version="1.0" encoding="utf-8"?>
<configure>
  <LocalNode name="localhost"/>
  <HeartBeatTime time_msec="5000"/>
  <settings>
    <Switchboard name="Switchboard" smTestID="SM_Test_S" NoPower_s="NoPower_S">
      <group name="A" nopower_s="A_NoPower_S"><item name="A1_On_S"/><item name="A2_On_S"/></group>
      <automat name="QC_On_S"/>
      <group name="B" nopower_s="B_NoPower_S"><item name="B1_On_S"/></group>
    </Switchboard>
  </settings>
  <nodes><item id="1" name="localhost"/></nodes>
  <sensors>
    <item id="10" name="SM_Test_S" iotype="DI"/>
    <item id="100" name="NoPower_S" iotype="DI" default="1"/>
    <item id="101" name="A_NoPower_S" iotype="DI" default="1"/>
    <item id="102" name="B_NoPower_S" iotype="DI" default="1"/>
    <item id="110" name="A1_On_S" iotype="DI"/>
    <item id="111" name="A2_On_S" iotype="DI"/>
    <item id="112" name="B1_On_S" iotype="DI"/>
    <item id="120" name="QC_On_S" iotype="DI"/>
  </sensors>
  <objects><item id="5000" name="Switchboard"/></objects>
  <controllers><item id="6000" name="SharedMemory1"/></controllers>
</configure>
)";
}

TEST(Switchboard, NoPowerSignalsFollowThePlantThroughSharedMemory)
{
    ObjectsActivator activator;   // before any other thread, so that it gets the signals
    StoreBench bench("switchboard", kConfig, {"--sleep-msec", "20"});
    auto smemory = bench.startStore();
    ASSERT_TRUE(bench.store().isReady()) << smemory->output();
    bench.install();

    auto level = [&](const char* name) { return bench.get(name); };
    auto plant = [&](std::vector<std::string> values) {
        values.insert(values.begin(), "set");
        const auto r = bench.smctl(values);
        EXPECT_EQ(r.status, 0) << r.output;
    };

    {
        Switchboard sut("Switchboard", bench.cfg().getNode("Switchboard"));
        activator.addObject(&sut);
        activator.run(true);
        activator.broadcast(SystemMessage(SystemMessage::StartUp).transport());

        plant({"A1_On_S=1"});
        EXPECT_TRUE(waitFor([&] { return level("A_NoPower_S") == 0 && level("B_NoPower_S") == 1 && level("NoPower_S") == 1; }));

        plant({"QC_On_S=1"});
        EXPECT_TRUE(waitFor([&] { return level("B_NoPower_S") == 0 && level("NoPower_S") == 0; }));

        plant({"A1_On_S=0"});
        EXPECT_TRUE(waitFor([&] { return level("A_NoPower_S") == 1 && level("B_NoPower_S") == 1 && level("NoPower_S") == 1; }));

        plant({"QC_On_S=0", "B1_On_S=1"});
        EXPECT_TRUE(waitFor([&] { return level("A_NoPower_S") == 1 && level("B_NoPower_S") == 0; }));

        activator.stop();
        activator.join();
        EXPECT_FALSE(sut.active);
    }
    EXPECT_EQ(smemory->stop(), 0) << smemory->output();
}
