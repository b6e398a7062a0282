#include <gtest/gtest.h>

#include <csignal>

#include <cstdio>
#include <memory>

#include "Exceptions.h"
#include "InProcessStore.h"
#include "ObjectsManager.h"
#include "SkeletonSupport.h"
#include "Store.h"

using namespace UniSetTypes;
using testing_support::TestWorld;

namespace
{
    const std::string kFullNode = R"(state_as="State_AS" on_s="On_S" On_c="On_C" level_as="Level_AS" )"
                                  R"(mid_NotOn="NotOn_M" mid_NotOff="NotOff_M")";

    constexpr ObjectId kProbe = 5000;
    constexpr ObjectId kState = 100, kOn = 101, kOnC = 102, kLevel = 103, kNotOn = 104, kNotOff = 105;

    std::vector<std::string> withArgs(std::vector<std::string> args)
    {
        args.insert(args.begin(), "test");
        return args;
    }

    std::unique_ptr<Probe> makeProbe(TestWorld& world, ObjectId id = kProbe)
    {
        return std::make_unique<Probe>(id, world.cfg().getNode("Probe"));
    }

    // Activated and started as the activator and the start-up message would.
    std::unique_ptr<Probe> startedProbe(TestWorld& world)
    {
        auto sut = makeProbe(world);
        sut->activateObject();
        sut->push(SystemMessage(SystemMessage::StartUp).transport());
        sut->callback();
        return sut;
    }

    int writesOf(const TestWorld& world, ObjectId id)
    {
        int n = 0;
        for (const auto& w : const_cast<TestWorld&>(world).store().writes())
            n += w.id == id;
        return n;
    }
}

// --- construction

struct ConstructionCase
{
    std::string name;
    std::string attributes;
    std::vector<std::string> args;
    ObjectId objectId;
    bool systemError;
    std::string text;
};

class SkeletonConstruction : public testing::TestWithParam<ConstructionCase>
{
};

TEST_P(SkeletonConstruction, FailsWithTheTextThatNamesTheFault)
{
    const ConstructionCase& c = GetParam();
    TestWorld world(probeWorld(c.attributes), withArgs(c.args));
    try
    {
        makeProbe(world, c.objectId);
        FAIL() << "constructed";
    }
    catch (const SystemError& ex)
    {
        EXPECT_TRUE(c.systemError);
        EXPECT_EQ(ex.text, c.text);
    }
    catch (const Exception& ex)
    {
        EXPECT_FALSE(c.systemError);
        EXPECT_EQ(ex.text, c.text);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SkeletonConstruction,
    testing::Values(
        ConstructionCase{"UnknownObjectIdBeforeAnyItemCheck", "", {}, DefaultObjectId, true,
                         "(Probe::init): Unknown ObjectID!"},
        ConstructionCase{"MandatoryItemMissing", R"(on_s="On_S" On_c="On_C")", {}, kProbe, false,
                         "Probe: Not found ID for (state_as) "},
        ConstructionCase{"MandatoryItemNamesNoSensor", R"(state_as="Nothing" on_s="On_S" On_c="On_C")", {}, kProbe,
                         false, "Probe: Not found ID for (state_as) Nothing"},
        ConstructionCase{"WrongIOType", R"(state_as="On_S" on_s="On_S" On_c="On_C")", {}, kProbe, false,
                         "Probe(init): Invalid 'iotype' for 'state_as' set 'AI' but On_S='DI'"},
        ConstructionCase{"NodeNotFound", kFullNode + R"( node_on_s="nowhere")", {}, kProbe, false,
                         "Probe: Not found NodeID for (node='node_on_s') nowhere"},
        ConstructionCase{"MessageIdNotFoundWhileItsNodeIsGiven",
                         R"(state_as="State_AS" on_s="On_S" On_c="On_C" node_mid_NotOn="localhost")", {}, kProbe,
                         false, "Probe: Not found Message::NodeID for (node='node_mid_NotOn') localhost"},
        ConstructionCase{"MessageNodeNotFound", kFullNode + R"( node_mid_NotOff="nowhere")", {}, kProbe, false,
                         "Probe: Not found Message::NodeID for (node='node_mid_NotOff') nowhere"},
        ConstructionCase{"HeartbeatSensorNotFound", kFullNode + R"( heartbeat_id="Nope")", {}, kProbe, true,
                         "Probe: не найден идентификатор для датчика 'HeartBeat' Nope"},
        ConstructionCase{"HeartbeatSensorOptionNotFound", kFullNode, {"--heartbeat-id", "Gone"}, kProbe, true,
                         "Probe: не найден идентификатор для датчика 'HeartBeat' Gone"}),
    [](const testing::TestParamInfo<ConstructionCase>& info) { return info.param.name; });

TEST(Skeleton, DefaultConstructorRefusesWithACritLine)
{
    TestWorld world(probeWorld(kFullNode));
    LogCapture log;
    try
    {
        Probe sut;
        FAIL() << "constructed";
    }
    catch (const Exception& ex)
    {
        EXPECT_EQ(ex.text, "UniSetObject: init failed!!!");
    }
    EXPECT_NE(log.text().find("Probe: init failed!!!!!!!!!!!!!!!"), std::string::npos);
}

TEST(Skeleton, OptionalItemWithoutSensorOrKnownNodeIsAccepted)
{
    TestWorld world(probeWorld(R"(state_as="State_AS" on_s="On_S" On_c="On_C" node_level_as="nowhere")"));
    auto sut = makeProbe(world);
    EXPECT_EQ(sut->level_as, DefaultObjectId);
    EXPECT_EQ(sut->node_level_as, world.cfg().getLocalNode());
    EXPECT_EQ(sut->mid_NotOn, DefaultObjectId);
}

TEST(Skeleton, ResolvesIdsAndNodes)
{
    TestWorld world(probeWorld(kFullNode + R"( node_state_as="node2")"));
    auto sut = makeProbe(world);
    EXPECT_EQ(sut->state_as, kState);
    EXPECT_EQ(sut->node_state_as, 2);
    EXPECT_EQ(sut->node_on_s, 1);   // absent attribute: the local node
    EXPECT_EQ(sut->mid_NotOff, kNotOff);
    EXPECT_EQ(sut->node_mid_NotOff, 1);
}

// --- settings

struct SettingCase
{
    std::string name;
    std::string attributes;
    std::vector<std::string> args;
    int onTime;
    bool autoReset;
};

class SkeletonSettings : public testing::TestWithParam<SettingCase>
{
};

TEST_P(SkeletonSettings, OptionThenAttributeThenDefaultConvertedAsPercentI)
{
    const SettingCase& c = GetParam();
    TestWorld world(probeWorld(kFullNode + " " + c.attributes), withArgs(c.args));
    auto sut = makeProbe(world);
    EXPECT_EQ(sut->OnTime, c.onTime);
    EXPECT_EQ(sut->autoReset, c.autoReset);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SkeletonSettings,
    testing::Values(SettingCase{"Defaults", "", {}, 500, false},
                    SettingCase{"AttributeOverDefault", R"(OnTime="700" autoReset="1")", {}, 700, true},
                    SettingCase{"OptionOverAttribute", R"(OnTime="700")", {"--OnTime", "900"}, 900, false},
                    SettingCase{"Hexadecimal", "", {"--OnTime", "0x10"}, 16, false},
                    SettingCase{"Octal", "", {"--OnTime", "010"}, 8, false},
                    SettingCase{"NoDigitGivesZero", "", {"--OnTime", "abc"}, 0, false},
                    SettingCase{"FlagIsTrueWhenNotZero", "", {"--autoReset", "2"}, 500, true},
                    SettingCase{"HexadecimalZeroFlagIsFalse", R"(autoReset="0x0")", {}, 500, false}),
    [](const testing::TestParamInfo<SettingCase>& info) { return info.param.name; });

TEST(Skeleton, SharedSettingsTakeTheirDefaults)
{
    TestWorld world(probeWorld(kFullNode));
    auto sut = makeProbe(world);
    EXPECT_EQ(sut->sleepMsec, 130);
    EXPECT_EQ(sut->smReadyTimeout, 60000);
    EXPECT_EQ(sut->askPause, 2000);
    EXPECT_EQ(sut->resetMsgTime, 2000);
    EXPECT_EQ(sut->activateTimeout, 20000);
    EXPECT_EQ(sut->heartbeatId, DefaultObjectId);
    EXPECT_EQ(sut->smTestID, kOn);   // the class's own last choice
    EXPECT_TRUE(sut->active);
    EXPECT_FALSE(sut->activated);
}

struct ReadyTimeoutCase
{
    std::string name;
    std::vector<std::string> args;
    int expected;
};

class SkeletonReadyTimeout : public testing::TestWithParam<ReadyTimeoutCase>
{
};

TEST_P(SkeletonReadyTimeout, ZeroMeansAMinuteNegativeMeansNoLimit)
{
    TestWorld world(probeWorld(kFullNode), withArgs(GetParam().args));
    EXPECT_EQ(makeProbe(world)->smReadyTimeout, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, SkeletonReadyTimeout,
                         testing::Values(ReadyTimeoutCase{"Absent", {}, 60000},
                                         ReadyTimeoutCase{"Zero", {"--sm-ready-timeout", "0"}, 60000},
                                         ReadyTimeoutCase{"Negative", {"--sm-ready-timeout", "-5"}, -1},
                                         ReadyTimeoutCase{"Given", {"--sm-ready-timeout", "300"}, 300}),
                         [](const testing::TestParamInfo<ReadyTimeoutCase>& info) { return info.param.name; });

TEST(Skeleton, ItemDefaultsFromOptionOverAttributeOverClassDefault)
{
    TestWorld world(probeWorld(kFullNode + R"( state_as_default="4" on_s_default="3")"),
                    withArgs({"--state_as-default", "5", "--sleep-msec", "40"}));
    auto sut = makeProbe(world);
    EXPECT_EQ(sut->in_state_as, 5);
    EXPECT_TRUE(sut->in_on_s);
    EXPECT_EQ(sut->out_level_as, 7);
    EXPECT_EQ(sut->prev_out_level_as, 7);
    EXPECT_EQ(sut->sleepMsec, 40);
}

TEST(Skeleton, HeartbeatSettingsAreReadOnlyWithAHeartbeatSensor)
{
    {
        TestWorld world(probeWorld(kFullNode), withArgs({"--heartbeat-time", "100", "--heartbeat-max", "3"}));
        auto sut = makeProbe(world);
        EXPECT_EQ(sut->heartbeatId, DefaultObjectId);
        EXPECT_EQ(sut->heartbeatMax, 10);
    }
    {
        TestWorld world(probeWorld(kFullNode + R"( heartbeat_id="HeartBeat_AS" heartbeat_max="4")"));
        auto sut = makeProbe(world);
        EXPECT_EQ(sut->heartbeatId, 106);
        EXPECT_EQ(sut->heartbeatMax, 4);
        EXPECT_EQ(sut->heartbeatTimer.getInterval(), 3000);   // the configuration's heartbeat time
    }
}

TEST(Skeleton, PrintIdListPrintsEverySetIdAndGoesOn)
{
    TestWorld world(probeWorld(R"(state_as="State_AS" on_s="On_S" On_c="On_C" mid_NotOff="NotOff_M")"),
                    withArgs({"--print-id-list"}));
    testing::internal::CaptureStdout();
    auto sut = makeProbe(world);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "id:100\nid:101\nid:102\nid:105\n");
}

// --- the loop

TEST(Skeleton, StartUpReadsInputsWritesEveryOutputAndAsksTheInputs)
{
    TestWorld world(probeWorld(kFullNode));
    world.store().setValue(kState, 3, DefaultObjectId);
    world.store().clearWrites();

    auto sut = startedProbe(world);

    EXPECT_EQ(sut->in_state_as, 3);
    EXPECT_EQ(writesOf(world, kOnC), 1);
    EXPECT_EQ(world.store().getValue(kLevel), 7);
    ASSERT_EQ(sut->asked.size(), 1u);
    EXPECT_EQ(sut->asked[0], UniversalIO::UIONotify);

    world.store().setValue(kOn, 1, DefaultObjectId);
    sut->callback();
    EXPECT_TRUE(sut->in_on_s);
}

TEST(Skeleton, TakesAtMostItsMessagesPerPass)
{
    TestWorld world(probeWorld(kFullNode));
    auto sut = makeProbe(world);
    for (int i = 0; i < 7; ++i)
        sut->push(SensorMessage(kState, i, UniversalIO::AnalogInput).transport());

    sut->callback();
    EXPECT_EQ(sut->seen.size(), 5u);
    EXPECT_EQ(sut->in_state_as, 4);
    sut->callback();
    EXPECT_EQ(sut->seen.size(), 7u);
}

TEST(Skeleton, SensorMessageForNoInputStillReachesSensorInfo)
{
    TestWorld world(probeWorld(kFullNode));
    auto sut = makeProbe(world);
    sut->push(SensorMessage(kNotOn, 1, UniversalIO::DigitalInput).transport());
    sut->callback();
    ASSERT_EQ(sut->seen.size(), 1u);
    EXPECT_EQ(sut->in_state_as, 0);
}

TEST(Skeleton, AnExpiryQueuedBeforeItsTimerWasCancelledNeverReachesTimerInfo)
{
    TestWorld world(probeWorld(kFullNode));
    auto sut = makeProbe(world);
    sut->askTimer(1, 100);
    sut->askTimer(2, 100, 1);
    world.clock().advanceMs(100);
    sut->checkTimers(sut.get());   // both expiries wait in the queue
    sut->push(TimerMessage(3).transport());

    sut->askTimer(1, 0);   // as a handler of an earlier message in the same pass would
    sut->callback();

    EXPECT_EQ(sut->timers, (std::vector<TimerId>{2, 3})) << "the live one-shot and the hand-built one still arrive";
}

TEST(Skeleton, ExceptionInStepSkipsTheRestOfThePassButNotTheSleep)
{
    TestWorld world(probeWorld(kFullNode + R"( heartbeat_id="HeartBeat_AS")"));
    auto sut = makeProbe(world);
    world.clock().advanceMs(5000);
    sut->callback();   // the heartbeat and the first message reset
    world.clock().advanceMs(5000);
    world.store().clearWrites();
    LogCapture log;
    sut->throwInStep = true;
    sut->out_On_c = true;
    const int64_t before = world.clock().nowMs();

    sut->callback();

    EXPECT_TRUE(world.store().writes().empty());   // no heartbeat, no output
    EXPECT_FALSE(sut->prev_out_On_c);
    EXPECT_EQ(world.clock().nowMs() - before, 130);
    EXPECT_NE(log.text().find("Probe(execute): step failed"), std::string::npos);
}

struct PassErrorCase
{
    std::string name;
    std::function<void()> fault;
    std::string line;
};

class SkeletonPassErrors : public testing::TestWithParam<PassErrorCase>
{
};

TEST_P(SkeletonPassErrors, AreLoggedAndTheLoopGoesOn)
{
    TestWorld world(probeWorld(kFullNode));
    auto sut = makeProbe(world);
    sut->stepAction = GetParam().fault;
    LogCapture log;
    sut->callback();
    sut->callback();
    EXPECT_EQ(sut->steps, 2);
    EXPECT_NE(log.text().find(GetParam().line), std::string::npos) << log.text();
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, SkeletonPassErrors,
    testing::Values(PassErrorCase{"UniSetException", [] { throw Exception("bad read"); }, "Probe(execute): bad read\n"},
                    PassErrorCase{"CorbaException", [] { throw CORBA::SystemException("COMM_FAILURE"); },
                                  "Probe(execute): СORBA::SystemException: COMM_FAILURE\n"},
                    PassErrorCase{"AnythingElse", [] { throw 42; }, "Probe(execute): catch ...\n"}),
    [](const testing::TestParamInfo<PassErrorCase>& info) { return info.param.name; });

TEST(Skeleton, WritesTheHeartbeatWhenItsPeriodHasRunOut)
{
    TestWorld world(probeWorld(kFullNode + R"( heartbeat_id="HeartBeat_AS" heartbeatTime="500")"));
    auto sut = makeProbe(world);
    sut->callback();
    EXPECT_EQ(writesOf(world, 106), 0);
    world.clock().advanceMs(500);
    sut->callback();
    EXPECT_EQ(world.store().getValue(106), 10);
}

TEST(Skeleton, WatchDogRepeatsTheStartUpOnlyAfterTheStartUpTimeout)
{
    TestWorld world(probeWorld(kFullNode));
    auto sut = startedProbe(world);
    world.store().clearWrites();
    LogCapture log;

    sut->push(SystemMessage(SystemMessage::WatchDog).transport());
    sut->callback();
    EXPECT_EQ(writesOf(world, kOnC), 0);
    EXPECT_NE(log.text().find("Probe(sysCommand): игнорируем WatchDog, потому-что только-что стартанули"),
              std::string::npos);

    world.clock().advanceMs(10000);
    sut->push(SystemMessage(SystemMessage::WatchDog).transport());
    sut->callback();
    EXPECT_EQ(writesOf(world, kOnC), 1);   // the forced write of every output
    EXPECT_EQ(sut->asked.size(), 2u);
}

TEST(Skeleton, AfterSigtermNoPassDoesAnythingNorSleeps)
{
    TestWorld world(probeWorld(kFullNode));
    auto sut = makeProbe(world);
    sut->sigterm(15);
    const int64_t before = world.clock().nowMs();
    sut->callback();
    EXPECT_EQ(sut->steps, 0);
    EXPECT_EQ(world.clock().nowMs(), before);
}

// --- outputs

TEST(Skeleton, WritesOnlyChangedOutputsUnlessForced)
{
    TestWorld world(probeWorld(kFullNode));
    auto sut = makeProbe(world);
    world.store().clearWrites();

    sut->setdata(false);
    EXPECT_TRUE(world.store().writes().empty());

    sut->out_On_c = true;
    sut->out_On_c = false;
    sut->setdata(false);
    EXPECT_TRUE(world.store().writes().empty());

    sut->out_level_as = 9;
    sut->setdata(false);
    EXPECT_EQ(writesOf(world, kLevel), 1);
    EXPECT_EQ(world.store().getValue(kLevel), 9);

    sut->setdata(true);
    EXPECT_EQ(writesOf(world, kLevel), 2);
    EXPECT_EQ(writesOf(world, kOnC), 1);
}

TEST(Skeleton, SetStateWritesAtOnceAndAgainOnTheNextChangeCheck)
{
    TestWorld world(probeWorld(kFullNode));
    auto sut = makeProbe(world);
    world.store().clearWrites();

    sut->setBoolState(kOnC, true);
    EXPECT_TRUE(sut->out_On_c);
    EXPECT_EQ(writesOf(world, kOnC), 1);
    sut->setdata(false);
    EXPECT_EQ(writesOf(world, kOnC), 2);

    sut->setState(kState, 5);   // an input: nothing
    EXPECT_EQ(sut->in_state_as, 0);
}

TEST(Skeleton, ResetOutputsWritesZeroWithoutTouchingTheFields)
{
    TestWorld world(probeWorld(kFullNode));
    auto sut = makeProbe(world);
    world.store().setValue(kOnC, 1, DefaultObjectId);
    sut->resetOutputs(true);
    EXPECT_EQ(world.store().getValue(kOnC), 0);
    EXPECT_EQ(world.store().getValue(kLevel), 0);
    EXPECT_EQ(sut->out_level_as, 7);
}

TEST(Skeleton, GetStateReadsAnItemBackAndRefusesAnUnknownId)
{
    TestWorld world(probeWorld(kFullNode));
    auto sut = makeProbe(world);
    world.store().setValue(kOnC, 1, DefaultObjectId);
    world.store().setValue(kState, 8, DefaultObjectId);
    EXPECT_EQ(sut->getState(kOnC), 1);
    EXPECT_TRUE(sut->out_On_c);
    EXPECT_EQ(sut->getState(kState), 8);

    LogCapture log;
    EXPECT_EQ(sut->getState(kNotOn), 0);
    EXPECT_NE(log.text().find("Probe(getState): Обращение к неизвестному ДИСКРЕТНОМУ датчику sid=104"),
              std::string::npos);
}

TEST(Skeleton, FailedWriteIsLoggedThrownAndRetriedNextTime)
{
    TestWorld world(probeWorld(kFullNode));
    auto sut = makeProbe(world);
    // A store that does not hold the level output.
    std::vector<SensorDescription> sensors;
    for (const auto& s : world.cfg().getSensors())
        if (s.id != kLevel)
            sensors.push_back(s);
    uniset::InProcessStore partial(sensors);
    uniset::setStore(&partial);
    LogCapture log;

    sut->out_level_as = 1;
    EXPECT_THROW(sut->setdata(false), Exception);
    EXPECT_EQ(sut->prev_out_level_as, 7);
    EXPECT_NE(log.text().find("Probe(setdata): "), std::string::npos);
    uniset::setStore(&world.store());
    sut->setdata(false);
    EXPECT_EQ(world.store().getValue(kLevel), 1);
}

// --- alarm messages

TEST(Skeleton, RaisedMessageIsResetWithAllOthersAfterTheHoldTime)
{
    TestWorld world(probeWorld(kFullNode));
    auto sut = makeProbe(world);
    sut->callback();   // sleeps 130 ms on the manual clock

    sut->setMsg(kNotOn, true);
    EXPECT_EQ(world.store().getValue(kNotOn), 1);
    world.store().clearWrites();

    world.clock().advanceMs(1800);
    sut->callback();
    EXPECT_EQ(world.store().getValue(kNotOn), 1);
    world.clock().advanceMs(200);
    sut->callback();
    EXPECT_EQ(world.store().getValue(kNotOn), 0);
    EXPECT_EQ(writesOf(world, kNotOff), 1);
}

TEST(Skeleton, SetMsgWithFalseOnlyRestartsTheHoldTime)
{
    TestWorld world(probeWorld(kFullNode));
    auto sut = makeProbe(world);
    sut->setMsg(kNotOn, true);
    world.clock().advanceMs(1500);
    sut->setMsg(kNotOff, false);
    EXPECT_EQ(world.store().getValue(kNotOff), 0);
    world.clock().advanceMs(1500);
    sut->callback();
    EXPECT_EQ(world.store().getValue(kNotOn), 1);
}

TEST(Skeleton, AlarmRefusesUnsetAndUnknownIds)
{
    TestWorld world(probeWorld(kFullNode));
    auto sut = makeProbe(world);
    LogCapture log;
    EXPECT_FALSE(sut->alarm(DefaultObjectId, true));
    EXPECT_FALSE(sut->alarm(kState, true));
    EXPECT_TRUE(sut->alarm(kNotOff, true));
    EXPECT_TRUE(sut->msgState(1));
    const std::string text = log.text();
    EXPECT_NE(text.find("Probe(alarm): попытка послать сообщение с DefaultObjectId"), std::string::npos);
    EXPECT_NE(text.find("Probe(alarm): SEND \n not found MessgeOID?!!\n"), std::string::npos);
    EXPECT_NE(text.find("mid_NotOff\n"), std::string::npos);
}

TEST(Skeleton, AlarmWhoseWriteFailsSaysSo)
{
    TestWorld world(probeWorld(kFullNode));
    auto sut = makeProbe(world);
    std::vector<SensorDescription> sensors;
    for (const auto& s : world.cfg().getSensors())
        if (s.id != kNotOn)
            sensors.push_back(s);
    uniset::InProcessStore partial(sensors);
    uniset::setStore(&partial);
    LogCapture log;

    EXPECT_FALSE(sut->alarm(kNotOn, true));
    EXPECT_NE(log.text().find("Probe(alarm): "), std::string::npos);
    EXPECT_NE(log.text().find("104"), std::string::npos);
    uniset::setStore(&world.store());
}

// --- log rotation

TEST(Skeleton, LogRotationReopensTheFileForEveryStreamWritingToIt)
{
    TestWorld world(probeWorld(kFullNode));
    auto sut = makeProbe(world);
    LogCapture log;
    DebugStream classLog(Debug::ANY);
    classLog.logFile(log.file());
    const std::string rotated = log.file() + ".1";
    ASSERT_EQ(std::rename(log.file().c_str(), rotated.c_str()), 0);

    sut->push(SystemMessage(SystemMessage::LogRotate).transport());
    sut->callback();
    classLog.any() << "after rotation" << std::endl;

    const std::string text = log.text();
    EXPECT_NE(text.find("UNIDEB LOG ROTATE"), std::string::npos);
    EXPECT_NE(text.find("after rotation"), std::string::npos);
}

// --- the two other shapes of a skeleton

#define FIXED_PROBE_SK_LIST(ITEM, FIXED, MSG, SETTING)                                                            \
    FIXED(State, 100, in, AI)                                                                                      \
    FIXED(Command, 102, out, DO)

class FixedProbe : public ravna::ProcessSkeleton<UniSetObject>
{
public:
    FixedProbe(ObjectId id, xmlNode* cnode) : ProcessSkeleton(id, cnode, {"FixedProbe", 300, 30}) { init(skeletonLayout()); }
    void step() override { out_Command = in_State > 2; }

    RAVNA_SKELETON(FIXED_PROBE_SK_LIST)
};

TEST(Skeleton, ItemsWithIdsFixedInTheProgramNeedNoAttributes)
{
    TestWorld world(probeWorld(""), withArgs({"--print-id-list"}));
    testing::internal::CaptureStdout();
    FixedProbe sut(kProbe, world.cfg().getNode("Probe"));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(sut.id_State, kState);
    EXPECT_EQ(sut.node_Command, world.cfg().getLocalNode());
    EXPECT_EQ(sut.sleepMsec, 300);

    sut.activateObject();
    sut.push(SystemMessage(SystemMessage::StartUp).transport());
    sut.callback();
    world.store().setValue(kState, 3, DefaultObjectId);
    sut.callback();
    EXPECT_EQ(world.store().getValue(kOnC), 1);
}

#define OWNER_PROBE_SK_LIST(ITEM, FIXED, MSG, SETTING) ITEM(on_s, in, DI, mandatory, 0)

class OwnerProbe : public ravna::ProcessSkeleton<ObjectsManager>
{
public:
    OwnerProbe(ObjectId id, xmlNode* cnode) : ProcessSkeleton(id, cnode, {"OwnerProbe", 150, 30}) { init(skeletonLayout()); }
    void step() override {}

    RAVNA_SKELETON(OWNER_PROBE_SK_LIST)
};

TEST(Skeleton, AnObjectsManagerSkeletonActivatesItsObjects)
{
    TestWorld world(probeWorld(kFullNode));
    OwnerProbe sut(kProbe, world.cfg().getNode("Probe"));
    Probe child(kProbe, world.cfg().getNode("Probe"));
    sut.addObject(&child);

    sut.activateObject();
    EXPECT_TRUE(sut.activated);
    EXPECT_TRUE(child.activated);

    world.store().setValue(kOn, 1, DefaultObjectId);
    sut.push(SystemMessage(SystemMessage::StartUp).transport());
    sut.callback();
    EXPECT_TRUE(sut.in_on_s);
}

// --- shared memory not ready

TEST(SkeletonDeathTest, SharedMemoryNeverReadyEndsTheProgramSayingWhy)
{
    TestWorld world(probeWorld(kFullNode), withArgs({"--sm-ready-timeout", "300"}));
    auto sut = makeProbe(world);
    world.store().setReady(false);
    EXPECT_EXIT(
        {
            unideb.level(Debug::CRIT);
            sut->waitSM(sut->smReadyTimeout);
        },
        testing::KilledBySignal(SIGABRT), "Probe\\(waitSM\\): Не дождались готовности\\(exist\\) SharedMemory");
}

TEST(Skeleton, TerminateWhileWaitingForSharedMemoryIsNoFailure)
{
    TestWorld world(probeWorld(kFullNode), withArgs({"--sm-ready-timeout", "300"}));
    auto sut = makeProbe(world);
    world.store().setReady(false);
    sut->terminate(15);
    sut->waitSM(sut->smReadyTimeout);
    SUCCEED();
}

TEST(Skeleton, WithoutTestSensorWaitSMDoesNotWait)
{
    TestWorld world(probeWorld(kFullNode), withArgs({"--sm-test-id", "Unknown_S"}));
    auto sut = makeProbe(world);
    world.store().setReady(false);
    const int64_t before = world.clock().nowMs();
    sut->waitSM(sut->smReadyTimeout);
    EXPECT_EQ(sut->smTestID, DefaultObjectId);
    EXPECT_EQ(world.clock().nowMs(), before);
}
