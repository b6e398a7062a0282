#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <utility>
#include <vector>

#include "ExclusiveTrigger.h"
#include "OrTrigger.h"

namespace
{
    // Keeps every report; throws for the reports it is told to refuse.
    template <typename Value>
    struct RecordingOwner
    {
        void act(long key, Value v)
        {
            reports.emplace_back(key, v);
            if (refuse.count({key, v}))
                throw std::runtime_error("refused");
        }
        void changed(bool out)
        {
            outputs.push_back(out);
            if (refuseOutputs)
                throw std::runtime_error("refused");
        }

        std::vector<std::pair<long, Value>> reports;
        std::set<std::pair<long, Value>> refuse;
        std::vector<bool> outputs;
        bool refuseOutputs = false;
    };

    using BoolOwner = RecordingOwner<bool>;
    using IntOwner = RecordingOwner<int>;
    using Reports = std::vector<std::pair<long, bool>>;

    int activeKeys(const ExclusiveTrigger<BoolOwner, long, bool>& t)
    {
        int n = 0;
        for (const auto& [k, v] : t.values)
            n += v;
        return n;
    }
}

TEST(ExclusiveTrigger, AddReportsEveryKeyAsInactive)
{
    BoolOwner owner;
    ExclusiveTrigger<BoolOwner, long, bool> sut(&owner, &BoolOwner::act);
    sut.add(1);
    sut.add(2);
    sut.set(2, true);
    owner.reports.clear();

    sut.add(2);   // present and active
    sut.add(1);   // present and zero
    EXPECT_EQ(owner.reports, (Reports{{2, false}, {1, false}}));
    EXPECT_FALSE(sut.values[2]);
}

TEST(ExclusiveTrigger, SetOfAKeyNeverAddedDoesNothing)
{
    BoolOwner owner;
    ExclusiveTrigger<BoolOwner, long, bool> sut(&owner, &BoolOwner::act);
    sut.set(7, true);
    EXPECT_TRUE(owner.reports.empty());
    EXPECT_TRUE(sut.values.empty());
}

TEST(ExclusiveTrigger, SwitchingKeysReportsTheOldOneOffFirst)
{
    BoolOwner owner;
    ExclusiveTrigger<BoolOwner, long, bool> sut(&owner, &BoolOwner::act);
    for (long k : {1, 2, 3})
        sut.add(k);
    owner.reports.clear();

    sut.set(2, true);
    EXPECT_EQ(owner.reports, (Reports{{2, true}}));
    sut.set(3, true);
    EXPECT_EQ(owner.reports, (Reports{{2, true}, {2, false}, {3, true}}));
    sut.set(3, true);
    EXPECT_EQ(owner.reports.size(), 3u);
    sut.set(3, false);
    EXPECT_EQ(owner.reports.back(), (std::pair<long, bool>{3, false}));
    EXPECT_EQ(owner.reports.size(), 4u);
}

TEST(ExclusiveTrigger, IntTimersRestartAndCancelEachOther)
{
    IntOwner owner;
    ExclusiveTrigger<IntOwner, long, int> sut(&owner, &IntOwner::act);
    sut.add(0);
    sut.add(1);
    owner.reports.clear();

    sut.set(0, 5000);
    sut.set(0, 3000);
    sut.set(1, 2000);
    EXPECT_EQ(owner.reports, (std::vector<std::pair<long, int>>{{0, 5000}, {0, 3000}, {0, 0}, {1, 2000}}));
}

TEST(ExclusiveTrigger, ThrowingReportOfTheKeySetIsSwallowed)
{
    BoolOwner owner;
    ExclusiveTrigger<BoolOwner, long, bool> sut(&owner, &BoolOwner::act);
    sut.add(1);
    owner.refuse.insert({1, true});
    EXPECT_NO_THROW(sut.set(1, true));
    EXPECT_TRUE(sut.values[1]);
}

TEST(ExclusiveTrigger, ThrowingSwitchOffLeavesNoTwoKeysActiveAndCanBeRetried)
{
    BoolOwner owner;
    ExclusiveTrigger<BoolOwner, long, bool> sut(&owner, &BoolOwner::act);
    for (long k : {1, 2, 3})
        sut.add(k);
    sut.set(2, true);
    owner.refuse.insert({2, false});
    owner.reports.clear();

    EXPECT_THROW(sut.set(3, true), std::runtime_error);
    EXPECT_EQ(owner.reports, (Reports{{2, false}}));   // 3 was not switched on
    EXPECT_EQ(activeKeys(sut), 0);

    owner.refuse.clear();
    sut.set(3, true);
    EXPECT_EQ(owner.reports.back(), (std::pair<long, bool>{3, true}));
    EXPECT_EQ(activeKeys(sut), 1);
}

TEST(OrTrigger, AddingInputsNeverCallsTheOwner)
{
    BoolOwner owner;
    OrTrigger<BoolOwner> sut(&owner, &BoolOwner::changed);
    for (long id : {10, 20, 30})
        sut.add(id);
    EXPECT_FALSE(sut.output);
    EXPECT_TRUE(owner.outputs.empty());
}

TEST(OrTrigger, CommitOfAnUnknownIdChangesNothing)
{
    BoolOwner owner;
    OrTrigger<BoolOwner> sut(&owner, &BoolOwner::changed);
    sut.add(10);
    EXPECT_FALSE(sut.commit(99, true));
    EXPECT_FALSE(sut.output);
    EXPECT_TRUE(owner.outputs.empty());
    EXPECT_EQ(sut.inputs.count(99), 0u);
}

TEST(OrTrigger, CallsTheOwnerOnlyWhenTheOrChanges)
{
    BoolOwner owner;
    OrTrigger<BoolOwner> sut(&owner, &BoolOwner::changed);
    sut.add(10);
    sut.add(20);

    EXPECT_TRUE(sut.commit(20, true));
    sut.commit(10, true);
    sut.commit(20, false);
    EXPECT_EQ(owner.outputs, (std::vector<bool>{true}));
    sut.commit(10, false);
    EXPECT_EQ(owner.outputs, (std::vector<bool>{true, false}));
}

TEST(OrTrigger, AddingTheOnlyTrueInputAgainResetsIt)
{
    BoolOwner owner;
    OrTrigger<BoolOwner> sut(&owner, &BoolOwner::changed);
    sut.add(10);
    sut.add(20);
    sut.commit(20, true);
    sut.add(20);
    EXPECT_EQ(owner.outputs, (std::vector<bool>{true, false}));
    sut.add(10);
    EXPECT_EQ(owner.outputs.size(), 2u);
}

TEST(OrTrigger, ThrowingOwnerSeesTheChangeOnce)
{
    BoolOwner owner;
    OrTrigger<BoolOwner> sut(&owner, &BoolOwner::changed);
    sut.add(10);
    owner.refuseOutputs = true;
    EXPECT_THROW(sut.commit(10, true), std::runtime_error);
    EXPECT_TRUE(sut.output);
    sut.check();
    EXPECT_EQ(owner.outputs.size(), 1u);
}
