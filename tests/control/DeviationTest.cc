#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Clock.h"
#include "FakeStation.h"
#include "SEESGroup.h"

namespace
{
    // The quantity holds value for ms; then the verdict must be as given. unread: the
    // group's list lock is held while it checks, so the value cannot be read.
    struct Phase
    {
        long value;
        int ms;
        bool verdict;
        bool unread = false;
    };

    // The list lock, for the phases that hold it.
    class OpenGroup : public SEESGroup
    {
    public:
        using SEESGroup::listMutex;
        using SEESGroup::SEESGroup;
    };

    struct DeviationCase
    {
        const char* name;
        bool frequency;   // else voltage
        int min, max;
        int timeoutMs;    // the tolerance the group is armed with
        std::vector<Phase> phases;
    };

    class Deviation : public ::testing::TestWithParam<DeviationCase>
    {
    };
}

TEST_P(Deviation, VerdictComesWhenTheToleranceIsUsedUp)
{
    const DeviationCase& c = GetParam();
    uniset::ScopedManualClock clock;
    FakeStation station(1, 1, true, FakeStation::mON);
    OpenGroup sut(1, "");
    GroupSettings settings;
    (c.frequency ? settings.f_min : settings.U_min) = c.min;
    (c.frequency ? settings.f_max : settings.U_max) = c.max;
    (c.frequency ? settings.fdevTimeout : settings.udevTimeout) = c.timeoutMs;
    sut.configure(settings);
    sut.addSES(&station);

    for (size_t i = 0; i < c.phases.size(); ++i)
    {
        const Phase& p = c.phases[i];
        (c.frequency ? station.f : station.u) = p.value;
        if (p.unread)
            sut.listMutex.lock();
        sut.checkDeviation();
        if (p.unread)
            sut.listMutex.unlock();
        clock.manual.advanceMs(p.ms);
        sut.checkTimers();
        EXPECT_EQ(c.frequency ? sut.getFdev() : sut.getUdev(), p.verdict) << "phase " << i;
        EXPECT_FALSE(c.frequency ? sut.getUdev() : sut.getFdev()) << "phase " << i << ": the other quantity";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Deviation,
    ::testing::Values(
        // 6 s out, 2 s in, out again: 10 - 6 + 2 = 6 s of tolerance left.
        DeviationCase{"ShortSpellInsideRefillsPartOfTheTolerance", false, 380, 420, 10000,
                      {{450, 6000, false}, {400, 2000, false}, {450, 5999, false}, {450, 1, true}}},
        DeviationCase{"SpellInsideAsLongAsTheExcursionRefillsItAll", false, 380, 420, 10000,
                      {{450, 6000, false}, {400, 6000, false}, {450, 9999, false}, {450, 1, true}}},
        DeviationCase{"ToleranceNeverGrowsPastItsCap", false, 380, 420, 10000,
                      {{400, 30000, false}, {450, 9999, false}, {450, 1, true}}},
        DeviationCase{"OutOfBandFromTheStart", false, 380, 420, 10000, {{350, 9999, false}, {350, 1, true}}},
        DeviationCase{"VerdictFallsBackInBand", false, 380, 420, 10000, {{450, 10000, true}, {400, 0, false}}},
        DeviationCase{"NoValueCountsAsInside", false, 380, 420, 10000, {{0, 20000, false}}},
        // A value in band that cannot be read is no spell inside: the excursion goes on
        // (the wait for the lock takes its 3000 ms time-out).
        DeviationCase{"UnreadValueLeavesTheToleranceAsItStands", false, 380, 420, 10000,
                      {{450, 6000, false}, {400, 999, false, true}, {450, 1, true}}},
        DeviationCase{"NoBandNoCheck", false, 0, 0, 10000, {{450, 20000, false}}},
        DeviationCase{"UnarmedVerdictAtOnce", false, 380, 420, 0, {{450, 0, true}, {400, 0, false}}},
        DeviationCase{"FrequencyToo", true, 48, 52, 5000, {{53, 4999, false}, {53, 1, true}, {50, 0, false}}}),
    [](const auto& info) { return std::string(info.param.name); });
