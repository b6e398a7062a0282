// Building a breaker from its node: the settings it refuses and the texts that name
// what is wrong, and what its skeleton declares.
#include <gtest/gtest.h>

#include "Automat.h"
#include "BreakerRig.h"
#include "Exceptions.h"

using namespace breakers_test;

namespace
{
    struct Refusal
    {
        const char* name;
        Kind kind;
        Settings settings;
        std::string text; // the whole exception text, or its beginning when it ends in "..."
    };

    void PrintTo(const Refusal& c, std::ostream* os) { *os << c.name; }

    class BreakerConstruction : public ::testing::TestWithParam<Refusal>
    {
    };

    TEST_P(BreakerConstruction, RefusesNamingWhatIsWrong)
    {
        const auto& c = GetParam();
        std::string text;
        try
        {
            auto rig = BreakerRig::make(c.kind, c.settings);
            ADD_FAILURE() << "built";
        }
        catch (const UniSetTypes::Exception& ex)
        {
            text = ex.text;
        }
        const std::string dots = "...";
        if (c.text.size() > dots.size() && c.text.compare(c.text.size() - dots.size(), dots.size(), dots) == 0)
            EXPECT_EQ(text.substr(0, c.text.size() - dots.size()), c.text.substr(0, c.text.size() - dots.size()));
        else
            EXPECT_EQ(text, c.text);
    }

    const std::string timeFailed = "' time FAILED! Must be >0";

    INSTANTIATE_TEST_SUITE_P(
        Breaker, BreakerConstruction,
        ::testing::Values(
            Refusal{"AutomatWithoutOnTime", Kind::automat, {{"OnTime", ""}}, "QF1: init 'OnTime" + timeFailed},
            Refusal{"AutomatOffTimeZero", Kind::automat, {{"OffTime", "0"}}, "QF1: init 'OffTime" + timeFailed},
            Refusal{"AutomatBothTimesZeroNamesOnTime", Kind::automat, {{"OnTime", "0"}, {"OffTime", "0"}},
                    "QF1: init 'OnTime" + timeFailed},
            Refusal{"AutomatCommandTimeZero", Kind::automat, {{"CommandTime", "0"}},
                    "QF1: init 'CommandTime" + timeFailed},
            Refusal{"AutomatStateTimeOutNegative", Kind::automat, {{"stateTimeOut", "-5"}},
                    "QF1: init 'stateTimeOut" + timeFailed},
            Refusal{"AutomatMinWaitingTimeZero", Kind::automat, {{"minWaitingTime", "0"}},
                    "QF1: init 'minWaitingTime" + timeFailed},
            Refusal{"AutomatUndefinedFlagAsCommand", Kind::automat, {{"Automat_NA_s", "QF1_On_c"}},
                    "QF1(init): Invalid 'iotype' for 'Automat_NA_s' set 'DI' but QF1_On_c='DO'"},
            Refusal{"AutomatWithoutOnCommand", Kind::automat, {{"On_c", ""}}, "QF1: Not found ID for (On_c) "},
            Refusal{"QCWithoutDischargeOffTime", Kind::qc, {{"DischargeOffTime", ""}},
                    "QC1: init 'DischargeOffTime" + timeFailed},
            Refusal{"QCWithoutCommandTime", Kind::qc, {{"CommandTime", ""}}, "QC1: init 'CommandTime" + timeFailed},
            Refusal{"QCWithoutAskTimeout", Kind::qc, {{"askTimeout", ""}}, "QC1: init 'askTimeout" + timeFailed},
            Refusal{"QCWithoutAskPause", Kind::qc, {{"askPause", ""}}, "QC1: init 'askPause" + timeFailed},
            Refusal{"QCOnAndSyncTimesZeroNamesOnTime", Kind::qc, {{"OnTime", "0"}, {"OnSyncTime", "0"}},
                    "QC1: init 'OnTime" + timeFailed},
            Refusal{"QCSyncAndOffTimesZeroNamesOnSyncTime", Kind::qc, {{"OnSyncTime", "0"}, {"OffTime", "0"}},
                    "QC1: init 'OnSyncTime" + timeFailed},
            Refusal{"QCWithoutStateTimeOut", Kind::qc, {{"stateTimeOut", ""}}, "QC1: init 'stateTimeOut" + timeFailed},
            Refusal{"QCWithoutMinWaitingTime", Kind::qc, {{"minWaitingTime", ""}},
                    "QC1: init 'minWaitingTime" + timeFailed},
            Refusal{"QCWithoutSynchroniserFault", Kind::qc, {{"Synchro_Failure_s", ""}},
                    "QC1: Not found ID for (Synchro_Failure_s) "},
            Refusal{"QCWithoutSyncCommand", Kind::qc, {{"SyncOn_c", ""}}, "QC1: Not found ID for (SyncOn_c) "},
            Refusal{"QCUndefinedFlagAsCommand", Kind::qc, {{"State_NA_s", "QC1_On_c"}},
                    "QC1(init): Invalid 'iotype' for 'State_NA_s' set 'DI' but ..."}),
        [](const auto& info) { return std::string(info.param.name); });
}

TEST(BreakerConstruction, ARefusedBreakerIsNotRegisteredWithItsOwner)
{
    testing_support::TestWorld world(breakerWorld(Kind::automat, {{"OffTime", "0"}}));
    ObjectsManager owner(world.id("Supervisor"));

    EXPECT_THROW(Automat("QF1", &owner, world.cfg().getNode("QF1")), UniSetTypes::Exception);

    EXPECT_TRUE(owner.getObjects().empty());
}

TEST(BreakerConstruction, TheBusTieBreakerNeedsNoOffPause)
{
    auto rig = BreakerRig::make(Kind::qc, {{"offPause", ""}});
    rig->startUp();
    EXPECT_EQ(rig->mode(), "SleepMode");
}

TEST(BreakerConstruction, ABuiltBreakerIsRegisteredAndWritesItsCommandsOff)
{
    auto rig = BreakerRig::make(Kind::qc);

    EXPECT_EQ(rig->owner().getObjects().size(), 1u);
    for (const char* role : {"On_c", "Off_c", "SyncOn_c"})
    {
        int writes = 0;
        for (const auto& w : rig->world().store().writes())
            writes += w.id == rig->sensor(role) && w.value == 0;
        EXPECT_EQ(writes, 1) << role;
    }
    EXPECT_EQ(rig->mode(), "SleepMode");
    EXPECT_NE(rig->log().find("(setTimer): ask tid=0 time=0 msec"), std::string::npos);
    EXPECT_NE(rig->log().find("(setTimer): ask tid=1 time=0 msec"), std::string::npos);
}

TEST(BreakerConstruction, NoBreakerWithoutAName)
{
    testing_support::TestWorld world(breakerWorld(Kind::automat));
    try
    {
        Automat sut;
        ADD_FAILURE() << "built";
    }
    catch (const UniSetTypes::Exception& ex)
    {
        EXPECT_NE(ex.text.find(": init failed!!!"), std::string::npos) << ex.text;
    }
}

struct IdListCase
{
    const char* name;
    Kind kind;
    Settings settings;
    int lines;
};

class BreakerIdList : public ::testing::TestWithParam<IdListCase>
{
};

TEST_P(BreakerIdList, PrintsOneLinePerConfiguredItemAndMessage)
{
    const auto& c = GetParam();
    ::testing::internal::CaptureStdout();
    auto rig = BreakerRig::make(c.kind, c.settings, {"--print-id-list"});
    const std::string out = ::testing::internal::GetCapturedStdout();

    int lines = 0;
    for (size_t at = out.find("id:"); at != std::string::npos; at = out.find("id:", at + 1))
        ++lines;
    EXPECT_EQ(lines, c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Breaker, BreakerIdList,
    ::testing::Values(IdListCase{"AutomatComplete", Kind::automat, {}, 14},
                      IdListCase{"AutomatWithoutStateCodeAndTwoMessages", Kind::automat,
                                 {{"state_as", ""}, {"mid_HandOn", ""}, {"mid_HandOff", ""}}, 11},
                      IdListCase{"QCComplete", Kind::qc, {}, 17}),
    [](const auto& info) { return std::string(info.param.name); });
