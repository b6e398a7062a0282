// What a breaker does besides its transitions: its message, its entry points called
// from other threads, its queries, its state code and its terminate handler.
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <thread>

#include "Automat.h"
#include "AutomatModes.h"
#include "BreakerRig.h"
#include "Exceptions.h"
#include "InProcessStore.h"
#include "QCModes.h"
#include "Store.h"

using namespace breakers_test;
using namespace UniSetTypes;

namespace
{
    const std::vector<Kind> bothKinds = {Kind::automat, Kind::qc};

    std::string kindOnly(const ::testing::TestParamInfo<Kind>& info) { return kindName(info.param); }

    // The eleven words of a message as they travel.
    std::array<int32_t, 11> words(const AutomatMessage& m)
    {
        std::array<int32_t, 11> w{};
        std::memcpy(w.data(), &m, sizeof(w));
        return w;
    }

    class EveryBreaker : public ::testing::TestWithParam<Kind>
    {
    };
    INSTANTIATE_TEST_SUITE_P(Breaker, EveryBreaker, ::testing::ValuesIn(bothKinds), kindOnly);
}

TEST(AutomatMessage, TravelsAsElevenWordsOfHeaderKindCodeIdAndZero)
{
    testing_support::TestWorld world(breakerWorld(Kind::automat));
    const AutomatMessage sent(AutomatMessage::kCommand, AutomatMessage::cmdOff, 5401, Message::Medium);

    const VoidMessage queued(sent.transport());
    const AutomatMessage received(&queued);

    const auto w = words(received);
    EXPECT_EQ(w[0], 10);
    EXPECT_EQ(w[1], Message::Medium);
    EXPECT_EQ(w[7], AutomatMessage::kCommand);
    EXPECT_EQ(w[8], AutomatMessage::cmdOff);
    EXPECT_EQ(w[9], 5401);
    EXPECT_EQ(w[10], 0);
    EXPECT_EQ(words(sent), w);
}

TEST_P(EveryBreaker, CommandsFromOtherThreadsAllReachItsOwnQueue)
{
    auto rig = BreakerRig::make(GetParam());
    auto& sut = dynamic_cast<UniSetObject&>(rig->object());
    const int perThread = 200;
    const std::vector<int> codes = {AutomatMessage::cmdOn, AutomatMessage::cmdOff, AutomatMessage::cmdReset,
                                    AutomatMessage::cmdSleep, AutomatMessage::cmdWake};

    std::vector<std::thread> callers;
    for (int code : codes)
        callers.emplace_back([&rig, code] {
            for (int i = 0; i < perThread; ++i)
                rig->command(code);
        });
    for (auto& t : callers)
        t.join();

    std::map<int, int> seen;
    for (const VoidMessage& vm : testing_support::drain(sut))
    {
        ASSERT_EQ(vm.type, AutomatMessage::MessageTypeID);
        const AutomatMessage m(&vm);
        EXPECT_EQ(m.kind, AutomatMessage::kCommand);
        EXPECT_EQ(m.priority, Message::Medium);
        EXPECT_EQ(m.id, sut.getId());
        EXPECT_EQ(m.reserved, 0);
        ++seen[m.code];
    }
    for (int code : codes)
        EXPECT_EQ(seen[code], perThread) << "command " << code;
}

TEST(QC, OnSyncCommandCarriesItsCode)
{
    Rig<QC> rig(Kind::qc, {});
    rig.sut->cmdOnSync();
    const auto queued = testing_support::drain(*rig.sut);
    ASSERT_EQ(queued.size(), 1u);
    const AutomatMessage m(&queued[0]);
    EXPECT_EQ(words(m)[8], AutomatMessage::cmdOnSync);
    EXPECT_EQ(words(m)[9], rig.sut->getId());
}

TEST_P(EveryBreaker, AReportInItsQueueIsLoggedAndOtherwiseIgnored)
{
    auto rig = BreakerRig::make(GetParam());
    rig->startUp();
    rig->command(AutomatMessage::cmdWake);
    rig->quiesce();
    rig->reports();
    const AutomatMessage report(AutomatMessage::kState, AutomatMessage::stOn, rig->object().getId(), Message::Medium);

    rig->object().push(report.transport());
    rig->quiesce();

    EXPECT_NE(rig->log().find("(automatCommand): пришло сообщение не содержащее команду!!!"), std::string::npos);
    EXPECT_EQ(rig->mode(), "OffMode");
    EXPECT_TRUE(rig->reports().empty());
}

TEST_P(EveryBreaker, ResetRebuildsTheProtectionConditionEvenWhenItHoldsNone)
{
    auto rig = BreakerRig::make(GetParam());
    rig->startUp();
    rig->command(AutomatMessage::cmdWake);
    rig->quiesce();
    const size_t mark = rig->log().size();

    rig->command(AutomatMessage::cmdReset);
    rig->quiesce();

    EXPECT_NE(rig->log().find("(setProtection): protection=0", mark), std::string::npos);
}

TEST_P(EveryBreaker, AnUndefinedPositionIsATimeOutForTheCaller)
{
    auto rig = BreakerRig::make(GetParam());
    rig->startUp();
    rig->position(Position::undefined);
    rig->quiesce();
    const bool automat = GetParam() == Kind::automat;
    auto query = [&] {
        return automat ? dynamic_cast<Automat&>(rig->object()).getState() : dynamic_cast<QC&>(rig->object()).getState();
    };

    ::testing::internal::CaptureStderr();
    try
    {
        query();
        ADD_FAILURE() << "an undefined position was answered";
    }
    catch (const TimeOut& ex)
    {
        EXPECT_EQ(ex.text, breakerName(GetParam()) + "(getState): неопределённое состояние автомата");
    }
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(breakerName(GetParam()) + "(getState): неопределённое состояние... " +
                       (automat ? " On_S=1 Off_S=1" : " On_s=1 Off_s=1")),
              std::string::npos)
        << err;
}

TEST(Automat, RefusesItsPositionWhileACommandIsInProgress)
{
    Rig<Automat> rig(Kind::automat, {});
    rig.startUp();
    rig.command(AutomatMessage::cmdWake);
    rig.quiesce();
    EXPECT_FALSE(rig.sut->getStateChecked());
    rig.command(AutomatMessage::cmdOn);
    rig.quiesce();

    try
    {
        rig.sut->getStateChecked();
        ADD_FAILURE() << "answered during the close";
    }
    catch (const TimeOut& ex)
    {
        EXPECT_EQ(ex.text, "QF1(getState): неопределённое состояние автомата (переходный процесс)");
    }
    EXPECT_FALSE(rig.sut->getState());
}

TEST(Automat, NamesItselfWithItsMode)
{
    Rig<Automat> rig(Kind::automat, {});
    rig.startUp();
    rig.command(AutomatMessage::cmdWake);
    rig.quiesce();

    std::ostringstream printed;
    printed << *rig.sut;
    EXPECT_EQ(rig.sut->getName(), "QF1(AutomatOffMode)");
    EXPECT_EQ(printed.str(), "QF1(AutomatOffMode)");
}

TEST(Automat, ACommandWithARepeatLeftIsTriedOnceMore)
{
    Rig<Automat> rig(Kind::automat, {});
    rig.startUp();
    rig.command(AutomatMessage::cmdWake);
    rig.quiesce();
    rig.reports();

    rig.sut->changeMode(
        AutomatWaitingMode::Instance(rig.sut.get(), AutomatMessage::cmdOn, AutomatOffMode::Instance(), 1));
    rig.advance(2100);
    rig.quiesce();

    EXPECT_EQ(rig.mode(), "WaitingMode");
    EXPECT_EQ(rig.value("On_c"), 1);
    EXPECT_TRUE(rig.reports().empty());

    rig.advance(2100);
    rig.quiesce();

    EXPECT_EQ(rig.mode(), "OffMode");
    EXPECT_EQ(rig.value("On_c"), 0);
    EXPECT_EQ(rig.reports(), (std::vector<Report>{notDone, stOff}));
}

// --- the state code

struct StateCodeCase
{
    const char* name;
    Position position;
    bool protection;
    long code;
};

class AutomatStateCode : public ::testing::TestWithParam<StateCodeCase>
{
};

TEST_P(AutomatStateCode, FollowsProtectionThenPositionOnEveryPass)
{
    const auto& c = GetParam();
    auto rig = BreakerRig::make(Kind::automat);
    rig->startUp();

    rig->position(c.position);
    rig->plant("Protection_s", c.protection);
    rig->quiesce();

    EXPECT_EQ(rig->value("state_as"), c.code);
}

INSTANTIATE_TEST_SUITE_P(Automat, AutomatStateCode,
                         ::testing::Values(StateCodeCase{"Open", Position::open, false, 0},
                                           StateCodeCase{"Closed", Position::closed, false, 1},
                                           StateCodeCase{"Undefined", Position::undefined, false, 10},
                                           StateCodeCase{"ProtectionWhileOpen", Position::open, true, 2},
                                           StateCodeCase{"ProtectionWhileUndefined", Position::undefined, true, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Automat, WithoutAStateCodeSensorWorksAndPublishesNone)
{
    auto rig = BreakerRig::make(Kind::automat, {{"state_as", ""}});
    rig->startUp();
    rig->position(Position::closed);
    rig->quiesce();

    for (const auto& w : rig->world().store().writes())
        EXPECT_NE(w.id, rig->sensor("state_as"));
}

// --- terminate

struct TerminateCase
{
    const char* name;
    Kind kind;
    int command;
    const char* onOutput; // the output the command holds on
};

class BreakerTerminate : public ::testing::TestWithParam<TerminateCase>
{
};

TEST_P(BreakerTerminate, WritesEveryCommandOutputOffOnceAndNothingAfter)
{
    const auto& c = GetParam();
    auto rig = BreakerRig::make(c.kind);
    rig->startUp();
    rig->command(AutomatMessage::cmdWake);
    rig->quiesce();
    if (c.command == AutomatMessage::cmdOff)
    {
        rig->position(Position::closed);
        rig->quiesce();
    }
    rig->command(c.command);
    rig->quiesce();
    ASSERT_EQ(rig->value(c.onOutput), 1);
    rig->world().store().clearWrites();

    rig->object().sigterm(SIGTERM);
    rig->object().sigterm(SIGTERM);
    rig->pass();
    rig->advance(10000);
    rig->pass();

    std::vector<std::string> outputs = {"On_c", "Off_c"};
    if (c.kind == Kind::qc)
        outputs.emplace_back("SyncOn_c");
    std::map<ObjectId, int> writes;
    for (const auto& w : rig->world().store().writes())
    {
        EXPECT_EQ(w.value, 0);
        ++writes[w.id];
    }
    for (const auto& role : outputs)
    {
        EXPECT_EQ(rig->value(role), 0) << role;
        EXPECT_EQ(writes[rig->sensor(role)], 1) << role;
    }
    EXPECT_EQ(writes.size(), outputs.size()) << "only the command outputs are written";
}

INSTANTIATE_TEST_SUITE_P(
    Breaker, BreakerTerminate,
    ::testing::Values(TerminateCase{"AutomatClosing", Kind::automat, AutomatMessage::cmdOn, "On_c"},
                      TerminateCase{"AutomatOpening", Kind::automat, AutomatMessage::cmdOff, "Off_c"},
                      TerminateCase{"QCClosing", Kind::qc, AutomatMessage::cmdOn, "On_c"},
                      TerminateCase{"QCOpening", Kind::qc, AutomatMessage::cmdOff, "Off_c"},
                      TerminateCase{"QCClosingThroughSynchroniser", Kind::qc, AutomatMessage::cmdOnSync, "SyncOn_c"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- the initial mode's handling of a position change (it leaves on entry, so
// only a direct call reaches it)

struct InitCase
{
    const char* name;
    Position position;
    const char* sensor;
    long value;
    const char* next;
};

class AutomatInit : public ::testing::TestWithParam<InitCase>
{
};

TEST_P(AutomatInit, ChangesByWhatItReads)
{
    const auto& c = GetParam();
    Rig<Automat> rig(Kind::automat, {});
    rig.startUp();
    rig.position(c.position);
    rig.plant(c.sensor, c.value);
    testing_support::drain(*rig.sut);
    rig.seen(c.position);
    const SensorMessage sm(rig.sensor(c.sensor), c.value, UniversalIO::DigitalInput);
    if (sm.id == rig.sut->Protection_s)
    {
        // What the breaker does with a protection message before its mode sees it.
        rig.seenProtection(sm.state);
        rig.sut->protectionTrigger->commit(sm.id, sm.state);
    }

    AutomatInitMode::Instance()->sensorInfo(&sm, rig.sut.get());

    EXPECT_EQ(rig.mode(), c.next);
}

INSTANTIATE_TEST_SUITE_P(Automat, AutomatInit,
                         ::testing::Values(InitCase{"Closed", Position::closed, "State_On_s", 1, "OnMode"},
                                           InitCase{"Open", Position::open, "State_Off_s", 1, "OffMode"},
                                           InitCase{"Undefined", Position::undefined, "State_On_s", 1,
                                                    "ProtectionMode"},
                                           InitCase{"Trip", Position::open, "Protection_s", 1, "ProtectionMode"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Automat, AModeChangeThatKeepsFailingEndsInTheOldMode)
{
    Rig<Automat> rig(Kind::automat, {});
    rig.startUp();
    rig.command(AutomatMessage::cmdWake);
    // A store that holds none of the breaker's sensors: every entry that asks fails.
    uniset::InProcessStore broken(std::vector<SensorDescription>{});
    uniset::setStore(&broken);

    rig.pass();
    uniset::setStore(&rig.world().store());

    EXPECT_EQ(rig.mode(), "InitMode");
    const std::string log = rig.log();
    const std::string failed = "(changeMode): не удалось сменить режим!!! ";
    const size_t first = log.find(failed);
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(log.find(failed, first + 1), std::string::npos) << "the restored mode tried once more";
}

TEST_P(EveryBreaker, ASleepModeThatCannotBeEnteredLeavesTheBreakerInItsOldMode)
{
    auto rig = BreakerRig::make(GetParam());
    rig->startUp();
    rig->command(AutomatMessage::cmdWake);
    rig->quiesce();
    ASSERT_EQ(rig->mode(), "OffMode");
    {
        // The next ask of an input fails: the Sleep mode's.
        testing_support::ScopedFailingStore failing(rig->world());
        failing.store.failAsks = {rig->sensor("State_On_s"), rig->sensor("State_Off_s"), rig->sensor("Protection_s")};
        failing.store.askFailuresLeft = 1;

        rig->command(AutomatMessage::cmdSleep);
        rig->quiesce();
    }

    EXPECT_EQ(rig->mode(), "OffMode");
    EXPECT_NE(rig->log().find(rig->text("(changeMode): не удалось сменить режим!!! {B}SleepMode(activate)")),
              std::string::npos)
        << rig->log();
}
