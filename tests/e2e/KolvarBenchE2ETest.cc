// The whole bench as real processes: smemory, kolvar, mendra, piltov and zarsen on
// the sample configuration, every set under automatic control with remote control
// on. The test is the plant's operator: it sets the load and the overload signals
// and watches the sensors; kolvar keeps the switchboard powered.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <string>
#include <utility>
#include <vector>

#include "StoreBench.h"

using testing_support::sourcePath;
using testing_support::StoreBench;
using testing_support::waitFor;
using namespace std::chrono_literals;

namespace
{
    // The sample configuration with the sets' cooling run and low-load hold-back
    // shortened, so that a stop takes seconds rather than tens of seconds.
    std::string quickBench()
    {
        std::string text = testing_support::readFile(sourcePath("config/configure.xml"));
        for (const auto& [from, to] : {std::pair<std::string, std::string>{"coolingTime=\"10000\"", "coolingTime=\"2000\""},
                                       {"Load20Time=\"5000\"", "Load20Time=\"1000\""}})
            for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
                text.replace(at, from.size(), to);
        return text;
    }

    // The bench running, the given sets under automatic control from the start.
    struct Bench
    {
        explicit Bench(const std::vector<int>& automatic = {1, 2, 3, 4}) : bench("kolvar-bench", quickBench())
        {
            smemory = bench.startStore();
            for (int n : automatic)
                bench.set(ses(n, "CtlMode_Auto_S"), 1);
            bench.set("GEU_Power_s", 800);
            for (const char* s : {"GRSH_QC_On_S", "GRSH_NoPower_s", "SES1_QG_On_S", "SES2_QG_On_S", "SES3_QG_On_S",
                                  "SES4_QG_On_S", "SES1_DG_Start_C", "SES2_DG_Start_C", "SES3_DG_Start_C",
                                  "SES4_DG_Start_C", "SES1_Leader_f", "SES1_QG_On_C", "SES2_QG_On_C",
                                  "SES1_Protection_BS"})
                bench.store().ask(bench.id(s), UniversalIO::UIONotify, &watcher);
            kolvar = startKolvar();
            mendra = bench.start("simulator/mendra", {"--imitator-confile", sourcePath("config/mendra.src.xml")});
            piltov = bench.start("monitors/piltov");
            zarsen = bench.start("monitors/zarsen");
        }

        ~Bench()
        {
            for (auto* p : {&zarsen, &piltov, &mendra, &kolvar})
                EXPECT_EQ((*p)->stop(), 0) << (*p)->output();
            smemory->stop();
        }

        std::unique_ptr<testing_support::Program> startKolvar()
        {
            // The reserve walk's pauses short; its choices in the log.
            return bench.start("control/kolvar", {"--check-reserv-time", "1000", "--reserv-state-pause", "2000",
                                                  "--dlog-levels", "crit,warn,info,level4"});
        }

        // kolvar ended without a chance to tidy up, as a crash ends it, and started again.
        void restartKolvar()
        {
            kolvar->signal(SIGKILL);
            EXPECT_EQ(kolvar->wait(), 128 + SIGKILL);
            kolvar = startKolvar();
        }

        static std::string ses(int n, const std::string& role) { return "SES" + std::to_string(n) + "_" + role; }
        long get(const std::string& s) const { return bench.get(s); }
        bool await(const std::string& s, long v) { return bench.await(s, v, 60s); }
        // Waits for the text in kolvar's log, from the offset on (the log only grows, a
        // restarted kolvar appends to it).
        bool awaitLog(const std::string& text, size_t from = 0)
        {
            return waitFor([&] { return log().find(text, from) != std::string::npos; }, 60s);
        }
        std::string log() const { return testing_support::readFile(bench.dir.path("kolvar.log"), false); }
        std::vector<long> seen(const std::string& s) { return watcher.values(bench.id(s)); }
        // Where the record of changes stands now.
        size_t mark() { return watcher.history().size(); }
        // Where in the record the sensor first took the value after the mark; npos when
        // it did not. The recorder hears a change a little after the store holds it, so
        // the change is waited for.
        size_t awaitChange(const std::string& s, long v, size_t since)
        {
            size_t at = std::string::npos;
            waitFor(
                [&] {
                    const auto& h = watcher.history();
                    for (size_t i = since; i < h.size(); ++i)
                        if (h[i] == std::make_pair(bench.id(s), v))
                        {
                            at = i;
                            return true;
                        }
                    return false;
                },
                60s);
            return at;
        }
        // Whether the sensor took the value after the mark, as heard so far.
        bool tookSince(const std::string& s, long v, size_t since)
        {
            const auto& h = watcher.history();
            return std::find(h.begin() + static_cast<std::ptrdiff_t>(since), h.end(), std::make_pair(bench.id(s), v)) !=
                   h.end();
        }
        // The value sensor a had when sensor b first took the value vb after the mark;
        // -1 when b did not, or a had no value yet.
        long valueWhen(const std::string& a, const std::string& b, long vb, size_t since = 0)
        {
            const size_t at = awaitChange(b, vb, since);
            if (at == std::string::npos)
                return -1;
            const auto& h = watcher.history();
            long last = -1;
            for (size_t i = 0; i < at; ++i)
                if (h[i].first == bench.id(a))
                    last = h[i].second;
            return last;
        }
        std::string outputs() const
        {
            return "kolvar:\n" + kolvar->output() + "\nmendra:\n" + mendra->output() + "\nkolvar.log:\n" + log();
        }

        StoreBench bench;
        testing_support::SensorRecorder watcher;
        std::unique_ptr<testing_support::Program> smemory, kolvar, mendra, piltov, zarsen;
    };

    // Sets 3 and 4 under remote manual control leave set 1 the only reserve for set 2.
    // Set 1 leads on line, trips and its protection input stays on; set 2 takes over.
    void leaveSet1Tripped(Bench& b)
    {
        ASSERT_TRUE(b.await("SES1_QG_On_S", 1)) << b.outputs();
        b.bench.set("SES1_QG_Protection_S", 1);
        ASSERT_TRUE(b.await("SES2_QG_On_S", 1)) << b.outputs();
        EXPECT_TRUE(b.await("GRSH_NoPower_s", 0));
        // Heard, not only held by the store: later marks come after it.
        EXPECT_TRUE(b.watcher.heard(b.bench.id("SES1_Protection_BS"), 1));
        EXPECT_TRUE(b.await("SES1_qg_state_as", 2)) << "the breaker's code does not show the standing trip";
    }

    // Set 2 overloaded: the reserve walk passes set 1 over. Set 1 was never started nor
    // asked to close after the first mark, and never out of protection after the second.
    void expectSet1PassedOverOnAnOverload(Bench& b, size_t commandsSince, size_t protectionSince)
    {
        const size_t logged = b.log().size();
        b.bench.set("SES2_Overload95_Cmd_S", 1);
        const auto walked = [&] {
            const std::string l = b.log();
            return l.find("(reserv): FREE RESERV NOT FOUND", logged) != std::string::npos ||
                   l.find("(reserv): SELECT RUN ses1", logged) != std::string::npos;
        };
        ASSERT_TRUE(waitFor(walked, 60s)) << b.outputs();
        EXPECT_EQ(b.log().find("(reserv): SELECT RUN ses1", logged), std::string::npos) << "set 1 chosen as reserve";
        EXPECT_FALSE(b.tookSince("SES1_DG_Start_C", 1, commandsSince)) << "set 1 started\n" << b.outputs();
        EXPECT_FALSE(b.tookSince("SES1_QG_On_C", 1, commandsSince)) << "set 1 asked to close";
        EXPECT_FALSE(b.tookSince("SES1_Protection_BS", 0, protectionSince)) << "set 1 left protection";
        EXPECT_EQ(b.get("SES1_Protection_BS"), 1);
        EXPECT_EQ(b.mendra->output().find("QG close refused"), std::string::npos) << b.mendra->output();
        EXPECT_EQ(b.get("SES2_QG_On_S"), 1) << "set 2 keeps the switchboard";
        EXPECT_EQ(b.get("GRSH_NoPower_s"), 0);
    }

    // The supervision's view once it has started: priorities from the first selector,
    // the tie closed (two or fewer generator breakers on), one leader.
    void expectSteadyStart(Bench& b)
    {
        for (int n = 1; n <= 4; ++n)
            EXPECT_TRUE(b.await(Bench::ses(n, "Priority_s"), n)) << "priority of set " << n;
        EXPECT_TRUE(b.await("GRSH_QC_On_S", 1)) << b.outputs();
        ASSERT_TRUE(b.await("SES1_Leader_f", 1)) << b.outputs();
        for (int n = 2; n <= 4; ++n)
        {
            EXPECT_TRUE(b.await(Bench::ses(n, "Leader_f"), 0)) << "set " << n;
            EXPECT_TRUE(b.await(Bench::ses(n, "ControlMode_f"), 3)) << "set " << n;
        }
    }
}

TEST(KolvarBench, StartsUpToOneLeaderAndTheOthersInReserve)
{
    Bench b;
    expectSteadyStart(b);
    EXPECT_TRUE(b.await("SES1_ControlMode_f", 3));
    EXPECT_EQ(b.valueWhen("GRSH_NoPower_s", "SES1_Leader_f", 1), 1) << "the switchboard dead when the leader was chosen";
}

TEST(KolvarBench, BlackoutStartReserveStartsAThirdSetAndAReserveStop)
{
    Bench b;
    expectSteadyStart(b);

    {
        SCOPED_TRACE("blackout start: the leader alone starts and takes the switchboard");
        ASSERT_TRUE(b.await("SES1_QG_On_S", 1)) << b.outputs();
        EXPECT_TRUE(b.await("GRSH_NoPower_s", 0));
        EXPECT_TRUE(b.await("GRSH_QG_count_as", 1));
        EXPECT_TRUE(b.await("SES1_P_as", 800));
        for (int n = 2; n <= 4; ++n)
        {
            const auto starts = b.seen(Bench::ses(n, "DG_Start_C"));
            EXPECT_EQ(std::count(starts.begin(), starts.end(), 1), 0) << "set " << n << " started";
        }
    }

    {
        SCOPED_TRACE("reserve start on the leader's overload: the next set by priority");
        b.bench.set("SES1_Overload95_Cmd_S", 1);
        ASSERT_TRUE(b.await("SES2_QG_On_S", 1)) << b.outputs();
        EXPECT_TRUE(b.awaitLog("(reserv): SELECT RUN ses2")) << b.log();
        EXPECT_TRUE(b.await("GRSH_QG_count_as", 2));
        EXPECT_TRUE(b.await("SES1_P_as", 400));
        EXPECT_TRUE(b.await("SES2_P_as", 400));
        EXPECT_EQ(b.get("GRSH_QC_On_S"), 1) << "two sets on: the tie stays closed";
    }

    {
        SCOPED_TRACE("a third set: the tie opens first, and the third set leads its own section");
        const size_t since = b.mark();
        ASSERT_TRUE(b.await("SES3_QG_On_S", 1)) << b.outputs();
        EXPECT_TRUE(b.awaitLog("(reserv): SELECT RUN ses3")) << b.log();
        EXPECT_EQ(b.valueWhen("GRSH_QC_On_S", "SES3_QG_On_S", 1, since), 0) << "the tie open before the third breaker closed";
        EXPECT_EQ(b.get("GRSH_QC_On_S"), 0);
        EXPECT_TRUE(b.await("SES3_Leader_f", 1));
        EXPECT_TRUE(b.await("SES1_Leader_f", 1));
        EXPECT_TRUE(b.awaitLog("Group102 ([ SES3 SES4 ])")) << b.log();
        EXPECT_TRUE(b.await("GRSH_QG_count_as", 3));
    }

    {
        SCOPED_TRACE("reserve stop on low load: the reserve cools down, stops, and the tie closes again");
        const size_t since = b.mark();
        b.bench.set("SES1_Overload95_Cmd_S", 0);
        b.bench.set("SES1_Overload20_Cmd_S", 1);
        ASSERT_TRUE(b.await("SES2_QG_On_S", 0)) << b.outputs();
        EXPECT_TRUE(b.awaitLog("(reserv): SELECT STOP ses2")) << b.log();
        EXPECT_TRUE(b.await("SES2_sees_state_as", 0)) << "the set stopped after its cooling run";
        EXPECT_TRUE(b.await("SES2_Reserv_f", 1)) << "back in reserve";
        ASSERT_TRUE(b.await("GRSH_QC_On_S", 1)) << "two generator breakers on: the tie closes";
        EXPECT_EQ(b.valueWhen("SES2_QG_On_S", "GRSH_QC_On_S", 1, since), 0);
        long closed = 0;
        for (int n = 1; n <= 4; ++n)
            closed += b.valueWhen(Bench::ses(n, "QG_On_S"), "GRSH_QC_On_S", 1, since);
        EXPECT_LE(closed, 2) << "generator breakers on when the tie closed";
        // The leader stays on the switchboard (low load may stop set 3 as well).
        EXPECT_EQ(b.get("SES1_QG_On_S"), 1);
        EXPECT_EQ(b.get("GRSH_NoPower_s"), 0);
    }
}

TEST(KolvarBench, ASetLeftTrippedStaysInProtectionThroughItsSwitchAndAResetUntilTheTripClears)
{
    Bench b({1, 2});
    ASSERT_NO_FATAL_FAILURE(leaveSet1Tripped(b));
    const size_t since = b.mark();

    {
        SCOPED_TRACE("set 1's automatic switch off and on, then a reset, all while the trip stands");
        size_t logged = b.log().size();
        b.bench.set("SES1_CtlMode_Auto_S", 0);
        // The change of control surveys the set afresh.
        ASSERT_TRUE(b.awaitLog("SES1(SEESProtectionMode): activate", logged))
            << "set 1 did not come back to protection\n" << b.outputs();
        b.bench.set("SES1_CtlMode_Auto_S", 1);
        ASSERT_TRUE(b.await("SES1_ControlMode_f", 3));
        logged = b.log().size();
        b.bench.set("SES1_Reset_Btn_S", 1);
        EXPECT_TRUE(b.awaitLog("SES1(SEESProtectionMode): защита не сброшена", logged)) << b.log();
        b.bench.set("SES1_Reset_Btn_S", 0);
    }

    ASSERT_NO_FATAL_FAILURE(expectSet1PassedOverOnAnOverload(b, since, since));

    {
        SCOPED_TRACE("the trip clears and a reset brings set 1 on line as the overload's reserve");
        b.bench.set("SES1_QG_Protection_S", 0);
        ASSERT_TRUE(b.await("SES1_qg_state_as", 0)) << b.outputs();
        b.bench.set("SES1_Reset_Btn_S", 1);
        ASSERT_TRUE(b.await("SES1_Protection_BS", 0)) << b.outputs();
        b.bench.set("SES1_Reset_Btn_S", 0);
        ASSERT_TRUE(b.bench.await("SES1_QG_On_S", 1, 120s)) << b.outputs();
        EXPECT_TRUE(b.await("GRSH_QG_count_as", 2));
        EXPECT_TRUE(b.await("SES1_Reserv_f", 1));
        EXPECT_EQ(b.get("SES2_QG_On_S"), 1) << "set 2 keeps the switchboard";
        EXPECT_EQ(b.get("SES1_Protection_BS"), 0);
    }
}

TEST(KolvarBench, ASetLeftTrippedStaysInProtectionAfterAStationRestart)
{
    Bench b({1, 2});
    ASSERT_NO_FATAL_FAILURE(leaveSet1Tripped(b));

    const size_t beforeRestart = b.mark();
    const size_t logged = b.log().size();
    b.restartKolvar();
    ASSERT_TRUE(b.awaitLog("SES1(SEESProtectionMode): activate", logged))
        << "the restarted station did not find the trip\n" << b.outputs();
    // The restarted station writes its flag clear at start-up, before its survey finds the trip.
    const size_t back = b.awaitChange("SES1_Protection_BS", 1, beforeRestart);
    ASSERT_NE(back, std::string::npos) << b.outputs();

    ASSERT_NO_FATAL_FAILURE(expectSet1PassedOverOnAnOverload(b, beforeRestart, back));
}

TEST(KolvarBench, ATrippedSetMadeLeaderAsksForItsReserveAndTheBoardIsPoweredAgain)
{
    Bench b;
    expectSteadyStart(b);
    ASSERT_TRUE(b.await("SES1_QG_On_S", 1)) << b.outputs();

    {
        SCOPED_TRACE("set 2, a stopped reserve, trips; the trip clears and nobody resets it");
        b.bench.set("SES2_QG_Protection_S", 1);
        ASSERT_TRUE(b.await("SES2_Protection_BS", 1)) << b.outputs();
        b.bench.set("SES2_QG_Protection_S", 0);
        ASSERT_TRUE(b.await("SES2_qg_state_as", 0)) << b.outputs();
    }
    const size_t since = b.mark();

    {
        SCOPED_TRACE("set 1 leaves automatic control and stays on line: tripped set 2 leads, then set 1 trips");
        b.bench.set("SES1_CtlMode_Auto_S", 0);
        ASSERT_TRUE(b.await("SES2_Leader_f", 1)) << b.outputs();
        b.bench.set("SES1_QG_Protection_S", 1);
        ASSERT_TRUE(b.await("SES1_QG_On_S", 0)) << b.outputs();
    }

    {
        SCOPED_TRACE("the best free reserve starts, closes and takes the lead");
        ASSERT_TRUE(b.await("SES3_QG_On_S", 1)) << "the board left dead\n" << b.outputs();
        EXPECT_TRUE(b.awaitLog("(reserv): SELECT RUN ses3")) << b.log();
        EXPECT_TRUE(b.await("GRSH_NoPower_s", 0));
        EXPECT_TRUE(b.await("SES3_Leader_f", 1));
        EXPECT_TRUE(b.await("SES2_Leader_f", 0));
        EXPECT_TRUE(b.awaitLog("SES2(SEESProtectionMode)(updateNeedReservCommand): needReservOn=0")) << b.log();
    }

    for (int n : {1, 2})
    {
        EXPECT_FALSE(b.tookSince(Bench::ses(n, "DG_Start_C"), 1, since)) << "tripped set " << n << " started";
        EXPECT_FALSE(b.tookSince(Bench::ses(n, "QG_On_C"), 1, since)) << "tripped set " << n << " asked to close";
        EXPECT_EQ(b.get(Bench::ses(n, "Protection_BS")), 1) << "set " << n;
    }
}
