#include <gtest/gtest.h>

#include "Exceptions.h"
#include "TestSupport.h"
#include "UniSetObject.h"

using namespace UniSetTypes;

namespace
{
    const char* const kBody = R"(
  <sensors>
    <item id="10" name="Flag_S" iotype="DI"/>
    <item id="11" name="Level_AS" iotype="AI" default="40"/>
  </sensors>
  <objects>
    <item id="100" name="Writer"/>
    <item id="101" name="Reader"/>
  </objects>)";

    std::vector<std::pair<ObjectId, long>> sensorMessages(UniSetObject& obj)
    {
        std::vector<std::pair<ObjectId, long>> out;
        for (const auto& vm : testing_support::drain(obj))
        {
            SensorMessage sm(&vm);
            out.emplace_back(sm.id, sm.value);
        }
        return out;
    }
}

TEST(UniversalInterface, NotifiesTheConsumerNamedByIdAndTheWriterOfItsOwnChange)
{
    testing_support::TestWorld world(kBody);
    UniSetObject writer(100);
    UniSetObject reader(101);
    writer.ui.askRemoteSensor(11, UniversalIO::UIONotify, world.cfg().getLocalNode(), 101);
    writer.ui.askSensor(10, UniversalIO::UIONotify);
    EXPECT_EQ(sensorMessages(reader), (std::vector<std::pair<ObjectId, long>>{{11, 40}}));
    EXPECT_EQ(sensorMessages(writer), (std::vector<std::pair<ObjectId, long>>{{10, 0}}));

    writer.ui.saveValue(11, 41, UniversalIO::AnalogInput);
    writer.ui.saveState(10, true, UniversalIO::DigitalInput);
    writer.ui.saveState(10, true, UniversalIO::DigitalInput);   // unchanged: nobody hears
    EXPECT_EQ(sensorMessages(reader), (std::vector<std::pair<ObjectId, long>>{{11, 41}}));
    EXPECT_EQ(sensorMessages(writer), (std::vector<std::pair<ObjectId, long>>{{10, 1}}));
    EXPECT_EQ(world.store().writes().back().supplier, 100) << "the writer is the supplier";
}

TEST(UniversalInterface, UnknownIdsAndConsumersAreErrors)
{
    testing_support::TestWorld world(kBody);
    UniSetObject writer(100);
    EXPECT_THROW(writer.ui.getValue(999), Exception);
    EXPECT_THROW(writer.ui.setValue(999, 1), Exception);
    EXPECT_THROW(writer.ui.askSensor(999, UniversalIO::UIONotify), Exception);
    EXPECT_THROW(writer.ui.askSensor(10, UniversalIO::UIONotify, 555), NameNotFound);
    try
    {
        writer.ui.getValue(999);
    }
    catch (const Exception& ex)
    {
        EXPECT_NE(ex.text.find("999"), std::string::npos) << "the error names the id";
    }
}

TEST(UniversalInterface, WaitReadyAnswersOnceTheStoreIsReadyOrFalseAfterItsTimeOut)
{
    testing_support::TestWorld world(kBody);
    UniSetObject obj(100);
    EXPECT_TRUE(obj.ui.waitReady(10, 1000));
    EXPECT_FALSE(obj.ui.waitReady(999, 1000)) << "an unknown test sensor is never readable";
    world.store().setReady(false);
    const int64_t before = world.clock().nowMs();
    EXPECT_FALSE(obj.ui.waitReady(10, 300, 5000));
    EXPECT_GE(world.clock().nowMs() - before, 300);
}
