#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "LT_Object.h"
#include "Mutex.h"
#include "PassiveTimer.h"
#include "Exceptions.h"
#include "TestSupport.h"
#include "Calibration.h"
#include "UniXML.h"

using namespace UniSetTypes;
using namespace std::chrono_literals;

namespace
{
    std::vector<int> firedTimers(UniSetObject& obj)
    {
        std::vector<int> ids;
        for (const auto& vm : testing_support::drain(obj))
            ids.push_back(TimerMessage(&vm).id);
        return ids;
    }
}

TEST(PassiveTimer, ExpiresAfterItsIntervalOnTheManualClock)
{
    uniset::ScopedManualClock clock;
    PassiveTimer sut(2000);
    EXPECT_FALSE(sut.checkTime());
    clock.manual.advance(1999ms);
    EXPECT_FALSE(sut.checkTime());
    EXPECT_EQ(sut.getLeft(), 1);
    clock.manual.advance(1ms);
    EXPECT_TRUE(sut.checkTime());
    sut.reset();
    EXPECT_FALSE(sut.checkTime());
    EXPECT_EQ(sut.getCurrent(), 0);

    PassiveTimer never(-1);
    clock.manual.advance(std::chrono::hours(1000));
    EXPECT_FALSE(never.checkTime());
    EXPECT_EQ(PassiveTimer().getInterval(), -1);
    EXPECT_EQ(sut.setTiming(0), 0);
    EXPECT_TRUE(sut.checkTime());
}

TEST(LT_Object, FiresDueTimersOncePerCheckAndHonoursTicksReplaceAndCancel)
{
    testing_support::TestWorld world("<objects><item id='100' name='Obj'/></objects>");
    UniSetObject obj(100);
    LT_Object sut;
    EXPECT_EQ(sut.askTimer(1, 1000), 1000);
    sut.askTimer(2, 300, 1);   // fires once
    sut.askTimer(3, 500);

    EXPECT_EQ(sut.checkTimers(&obj), 300);
    EXPECT_TRUE(firedTimers(obj).empty());

    world.clock().advance(300ms);
    sut.checkTimers(&obj);
    EXPECT_EQ(firedTimers(obj), std::vector<int>{2});

    world.clock().advance(5000ms);   // overdue by several periods: one message each
    sut.checkTimers(&obj);
    EXPECT_EQ(firedTimers(obj), (std::vector<int>{1, 3}));
    sut.checkTimers(&obj);
    EXPECT_TRUE(firedTimers(obj).empty());

    sut.askTimer(1, 100);   // re-asking replaces
    EXPECT_EQ(sut.getTimeInterval(1), 100);
    sut.askTimer(3, 0);     // 0 ms cancels
    EXPECT_EQ(sut.getTimeLeft(3), -1);
    world.clock().advance(100ms);
    sut.checkTimers(&obj);
    EXPECT_EQ(firedTimers(obj), std::vector<int>{1});
    EXPECT_EQ(sut.getTimeInterval(2), 0) << "a one-tick timer is gone after firing";
}

// Timer 7 (100 ms) falls due and its expiry is queued; then the object does
// something with its timers before it handles the queue, and 100 ms more pass.
struct QueuedExpiryCase
{
    std::string name;
    short ticks;
    std::function<void(LT_Object&)> meanwhile;
    std::vector<int> delivered;   // the expiries still current when the queue is handled
    friend void PrintTo(const QueuedExpiryCase& c, std::ostream* os) { *os << c.name; }
};

class QueuedExpiry : public ::testing::TestWithParam<QueuedExpiryCase>
{
};

TEST_P(QueuedExpiry, IsDeliveredOnlyWhileItsAskStands)
{
    const QueuedExpiryCase& c = GetParam();
    testing_support::TestWorld world("<objects><item id='100' name='Obj'/></objects>");
    UniSetObject obj(100);
    LT_Object sut;
    sut.askTimer(7, 100, c.ticks);
    world.clock().advance(100ms);
    sut.checkTimers(&obj);

    c.meanwhile(sut);
    world.clock().advance(100ms);
    sut.checkTimers(&obj);

    std::vector<int> delivered;
    for (const auto& vm : testing_support::drain(obj))
        if (const TimerMessage tm(&vm); sut.isCurrent(tm))
            delivered.push_back(tm.id);
    EXPECT_EQ(delivered, c.delivered);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, QueuedExpiry,
    ::testing::Values(
        QueuedExpiryCase{"PeriodicLeftAlone", -1, [](LT_Object&) {}, {7, 7}},
        QueuedExpiryCase{"OneShotLeftAlone", 1, [](LT_Object&) {}, {7}},
        QueuedExpiryCase{"PeriodicCancelled", -1, [](LT_Object& t) { t.askTimer(7, 0); }, {}},
        QueuedExpiryCase{"OneShotCancelledAfterItFired", 1, [](LT_Object& t) { t.askTimer(7, 0); }, {}},
        QueuedExpiryCase{"AskedAgainDeliversOnlyTheNewAsk", -1, [](LT_Object& t) { t.askTimer(7, 100); }, {7}},
        QueuedExpiryCase{"AskedAgainForLaterDeliversNothingYet", -1, [](LT_Object& t) { t.askTimer(7, 150); }, {}},
        QueuedExpiryCase{"AnotherTimerAskedAndCancelled", -1,
                         [](LT_Object& t) {
                             t.askTimer(8, 50);
                             t.askTimer(8, 0);
                         },
                         {7, 7}}),
    [](const auto& info) { return info.param.name; });

TEST(LT_Object, AnExpiryBuiltByHandIsAlwaysDelivered)
{
    LT_Object sut;
    EXPECT_TRUE(sut.isCurrent(TimerMessage(7)));
    sut.askTimer(7, 100);
    sut.askTimer(7, 0);
    EXPECT_TRUE(sut.isCurrent(TimerMessage(7)));
}

TEST(Mutex, LockWaitsAtMostItsTimeOut)
{
    uniset_mutex m("test");
    {
        uniset_mutex_lock first(m, 100);
        ASSERT_TRUE(first.lock_ok());
        std::thread other([&] {
            uniset_mutex_lock second(m, 20);   // real clock: gives up after 20 ms
            EXPECT_FALSE(second.lock_ok());
        });
        other.join();
    }
    uniset_mutex_lock again(m, 0);
    EXPECT_TRUE(again.lock_ok()) << "released by the first lock's scope";
}

TEST(Mutex, ManualClockPassesTheTimeOutOfAContendedLock)
{
    uniset::ScopedManualClock clock;
    uniset_mutex m;
    m.lock();
    const int64_t before = clock.manual.nowMs();
    std::thread other([&] {
        uniset_mutex_lock second(m, 500);
        EXPECT_FALSE(second.lock_ok());
    });
    other.join();
    EXPECT_EQ(clock.manual.nowMs() - before, 500);
    m.unlock();
}

TEST(Calibration, InterpolatesBetweenPointsAndClampsOutside)
{
    UniXML xml;
    xml.openFromString("<diagram name='press'><point x='0' y='0'/><point x='100' y='1000'/>"
                       "<point x='200' y='1500'/></diagram>");
    Calibration sut(xml.getFirstNode());
    EXPECT_EQ(sut.getName(), "press");
    EXPECT_EQ(sut.getValue(50), 500);
    EXPECT_EQ(sut.getValue(150), 1250);
    EXPECT_EQ(sut.getValue(-10), 0);
    EXPECT_EQ(sut.getValue(500), 1500);
    EXPECT_EQ(sut.getRawValue(1250), 150);

    UniXML onePoint;
    onePoint.openFromString("<diagram name='bad'><point x='0' y='0'/></diagram>");
    EXPECT_THROW(Calibration{onePoint.getFirstNode()}, SystemError);
}
