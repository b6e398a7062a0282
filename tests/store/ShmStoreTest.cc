// What only the shared-memory store has: a segment that may be missing, not ready or
// of another configuration, its mode, adoption by a restarted owner, overruns and
// writers that never finish.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <future>
#include <map>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "DebugStream.h"
#include "Exceptions.h"
#include "ShmSegment.h"
#include "ShmStore.h"
#include "StoreHarness.h"
#include "TestSupport.h"
#include "UniversalInterface.h"

using testing_support::occurrences;
using namespace UniSetTypes;
using uniset::ShmSegment;
using uniset::ShmStore;
namespace shm = uniset::shm;

namespace
{
    std::vector<SensorDescription> sensors(const std::string& extraName = "")
    {
        std::vector<SensorDescription> list;
        auto add = [&](ObjectId id, const std::string& name, UniversalIO::IOTypes t, long def) {
            SensorDescription d;
            d.id = id;
            d.name = name;
            d.iotype = t;
            d.defaultValue = def;
            list.push_back(d);
        };
        add(10, "Flag_S", UniversalIO::DigitalInput, 0);
        add(11, "Level_AS", UniversalIO::AnalogInput, 40);
        if (!extraName.empty())
            add(12, extraName, UniversalIO::AnalogInput, 0);
        return list;
    }

    std::unique_ptr<ShmSegment> layOut(const std::string& name, const std::vector<SensorDescription>& list,
                                       ShmSegment::CreateOptions options = {})
    {
        bool adopted = false;
        auto seg = ShmSegment::create(name, list, options, adopted);
        seg->setState(shm::State::Ready);
        return seg;
    }

    // unideb's lines go to a file for the life of the object.
    class UnidebLog
    {
    public:
        explicit UnidebLog(uint32_t levels)
        {
            unideb.level(levels);
            unideb.logFile(dir.path("unideb.log"));
        }
        ~UnidebLog()
        {
            unideb.logFile("");
            unideb.level(Debug::NONE);
        }
        std::string text() const { return dir.read("unideb.log"); }

    private:
        testing_support::TempDir dir;
    };

    // A consumer that, once stalled, holds up whoever pushes to it until it is opened.
    class StalledConsumer : public UniSetObject
    {
    public:
        void push(const TransportMessage& msg) override
        {
            if (stalled)
            {
                waiting = true;
                gate.wait();
            }
            UniSetObject::push(msg);
        }
        void stall() { stalled = true; }
        void open() { opened.set_value(); }
        bool isWaiting() const { return waiting; }

    private:
        std::atomic<bool> stalled{false};
        std::atomic<bool> waiting{false};
        std::promise<void> opened;
        std::shared_future<void> gate{opened.get_future().share()};
    };

    template <typename F>
    std::string errorOf(F f)
    {
        try
        {
            f();
        }
        catch (const Exception& ex)
        {
            return ex.text;
        }
        return "(no error)";
    }
}

TEST(ShmStore, AMissingStoreIsNotReadyAndEveryUseSaysWhy)
{
    const std::string name = store_testing::uniqueStoreName();
    ShmStore sut(sensors(), name);
    UniSetObject obj;
    EXPECT_FALSE(sut.isReady());
    EXPECT_NE(sut.problem().find("does not exist"), std::string::npos) << sut.problem();
    for (const std::string& text : {errorOf([&] { sut.getValue(10); }), errorOf([&] { sut.setValue(10, 1, -1); }),
                                    errorOf([&] { sut.ask(10, UniversalIO::UIONotify, &obj); })})
        EXPECT_NE(text.find(name), std::string::npos) << text;
    EXPECT_THROW(sut.getValue(10), StoreError);
    EXPECT_NE(errorOf([&] { sut.getValue(999); }).find("999"), std::string::npos) << "unknown ids come first";
}

TEST(ShmStore, ALaidOutStoreIsUsableOnceItsOwnerMarksItReady)
{
    store_testing::SegmentGuard guard(store_testing::uniqueStoreName());
    bool adopted = true;
    auto owner = ShmSegment::create(guard.name(), sensors(), {}, adopted);
    EXPECT_FALSE(adopted);
    ShmStore sut(sensors(), guard.name());
    EXPECT_FALSE(sut.isReady());
    EXPECT_NE(sut.problem().find("not ready"), std::string::npos) << sut.problem();
    EXPECT_THROW(sut.setValue(11, 1, -1), StoreError);

    owner->setState(shm::State::Ready);
    EXPECT_TRUE(sut.isReady());
    EXPECT_EQ(sut.getValue(11), 40);
    owner->setState(shm::State::Stopped);   // the owner restarts: the values stay in use
    EXPECT_FALSE(sut.isReady());
    sut.setValue(11, 41, -1);
    EXPECT_EQ(sut.getValue(11), 41);
}

TEST(ShmStore, WaitReadyIsFalseUntilTheStoreAppearsAndTrueOnceItIsReady)
{
    store_testing::SegmentGuard guard(store_testing::uniqueStoreName());
    ShmStore sut(sensors(), guard.name());
    uniset::setStore(&sut);
    UniversalInterface ui;
    EXPECT_FALSE(ui.waitReady(10, 50, 10));
    auto waiting = std::async(std::launch::async, [&] { return ui.waitReady(10, 10000, 10); });
    auto owner = layOut(guard.name(), sensors());
    EXPECT_TRUE(waiting.get());
    uniset::setStore(nullptr);
}

TEST(ShmStore, AStoreOfAnotherSensorListIsRefusedAndReplacedOnlyOnReset)
{
    store_testing::SegmentGuard guard(store_testing::uniqueStoreName());
    auto owner = layOut(guard.name(), sensors("Extra_AS"));
    ShmStore sut(sensors(), guard.name());
    EXPECT_FALSE(sut.isReady());
    EXPECT_NE(sut.problem().find("another sensor list"), std::string::npos) << sut.problem();
    EXPECT_THROW(sut.setValue(11, 1, -1), StoreError);

    bool adopted = false;
    const std::string refused = errorOf([&] { ShmSegment::create(guard.name(), sensors(), {}, adopted); });
    EXPECT_NE(refused.find("--reset"), std::string::npos) << refused;

    ShmSegment::CreateOptions reset;
    reset.reset = true;
    auto replacement = ShmSegment::create(guard.name(), sensors(), reset, adopted);
    EXPECT_FALSE(adopted);
    EXPECT_EQ(owner->state(), shm::State::Retired) << "programs on the old segment learn it was replaced";
    replacement->setState(shm::State::Ready);
    EXPECT_TRUE(sut.isReady());
    EXPECT_EQ(sut.getValue(11), 40);
}

TEST(ShmStore, ARestartedOwnerAdoptsTheSegmentWithItsValues)
{
    store_testing::SegmentGuard guard(store_testing::uniqueStoreName());
    {
        auto owner = layOut(guard.name(), sensors());
        ShmStore writer(sensors(), guard.name());
        writer.setValue(11, 77, 5);
        owner->setState(shm::State::Stopped);
    }
    bool adopted = false;
    auto owner = ShmSegment::create(guard.name(), sensors(), {}, adopted);
    owner->setState(shm::State::Ready);
    EXPECT_TRUE(adopted);
    ShmStore reader(sensors(), guard.name());
    EXPECT_EQ(reader.getValue(11), 77);
    int64_t timeUs = 0;
    ObjectId supplier = 0;
    ASSERT_TRUE(reader.lastChange(11, timeUs, supplier));
    EXPECT_EQ(supplier, 5);
}

// A slot's stamp (time and supplier of its last change) carries 32 bits of the
// change's sequence: a writer that stamps late never overwrites a later change's.
struct StampCase
{
    const char* name;
    uint64_t held;   // the change whose stamp the slot holds
    uint64_t seq;    // the change being stamped
    bool replaced;
};

class SlotStamp : public ::testing::TestWithParam<StampCase>
{
};

TEST_P(SlotStamp, IsReplacedOnlyByTheSameOrALaterChange)
{
    const auto& c = GetParam();
    shm::Pair stamp{shm::packStamp(c.held, 7), 100};
    shm::raiseStamp(&stamp, c.seq, shm::Pair{shm::packStamp(c.seq, 8), 200});
    EXPECT_EQ(shm::stampSeq(stamp.a), uint32_t(c.replaced ? c.seq : c.held));
    EXPECT_EQ(shm::stampSupplier(stamp.a), c.replaced ? 8 : 7);
    EXPECT_EQ(stamp.b, c.replaced ? 200u : 100u);
}

constexpr uint64_t kLap = uint64_t(1) << 32;

INSTANTIATE_TEST_SUITE_P(Stamps, SlotStamp,
                         ::testing::Values(StampCase{"AnEarlierChangesStamp", 5, 6, true},
                                           StampCase{"ALaterChangesStamp", 7, 6, false},
                                           StampCase{"TheSameChangesStamp", 6, 6, true},
                                           StampCase{"AnEarlierStampAcrossTheTagsWrap", kLap - 1, kLap + 1, true},
                                           StampCase{"ALaterStampAcrossTheTagsWrap", kLap + 1, kLap - 1, false},
                                           StampCase{"AStampAWholeLapOlder", 3, kLap + 3, true},
                                           StampCase{"TheDefaultValuesStamp", 0, 1, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ShmStore, TheSegmentIsTheOwnersAloneUnlessGroupAccessIsAsked)
{
    for (const bool group : {false, true})
    {
        store_testing::SegmentGuard guard(store_testing::uniqueStoreName());
        ShmSegment::CreateOptions options;
        options.groupAccess = group;
        auto owner = layOut(guard.name(), sensors(), options);
        struct stat st{};
        ASSERT_EQ(stat(("/dev/shm" + guard.name()).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, group ? 0660u : 0600u);
    }
}

TEST(ShmStore, BadStoreNamesAreRefused)
{
    EXPECT_EQ(ShmSegment::segmentName("SharedMemory1", ""), "/ravna.SharedMemory1");
    EXPECT_EQ(ShmSegment::segmentName("SharedMemory1", "run-7"), "/ravna.SharedMemory1.run-7");
    for (const auto& [id, store] : std::vector<std::pair<std::string, std::string>>{{"", ""}, {"a/b", ""}, {"SM", "x y"}})
        EXPECT_THROW(ShmSegment::segmentName(id, store), SystemError) << "'" << id << "' '" << store << "'";
}

TEST(ShmStore, ANotifierThatFellBehindSendsCurrentValuesAndOneLineWhateverTheLogLevels)
{
    UnidebLog log(Debug::NONE);
    store_testing::SegmentGuard guard(store_testing::uniqueStoreName());
    ShmSegment::CreateOptions small;
    small.logCapacity = 64;
    auto owner = layOut(guard.name(), sensors(), small);
    ShmStore sut(sensors(), guard.name());
    StalledConsumer consumer;
    sut.ask(11, UniversalIO::UIONotify, &consumer);
    sut.ask(10, UniversalIO::UIONotify, &consumer);
    consumer.stall();
    sut.setValue(11, 1, -1);   // the notifier stalls on this one
    ASSERT_TRUE(testing_support::waitFor([&] { return consumer.isWaiting(); }));
    for (long v = 2; v <= 1000; ++v)
        sut.setValue(11, v, -1);
    sut.setValue(10, 1, -1);
    consumer.open();

    std::map<ObjectId, std::vector<long>> got;
    testing_support::waitFor([&] {
        for (const auto& [id, value] : store_testing::takeSensorMessages(consumer))
            got[id].push_back(value);
        return !got[11].empty() && got[11].back() == 1000 && !got[10].empty() && got[10].back() == 1;
    });
    EXPECT_EQ(got[10], (std::vector<long>{0, 1}));
    ASSERT_FALSE(got[11].empty());
    EXPECT_EQ(got[11].back(), 1000) << "the current value comes last";
    EXPECT_EQ(got[11].front(), 40) << "the ask's own message";
    EXPECT_TRUE(std::is_sorted(got[11].begin() + 1, got[11].end()));
    EXPECT_LE(got[11].size(), 3u) << "the ask, maybe the change it stalled on, the current value";
    EXPECT_EQ(occurrences(log.text(), "fell behind the change log (64 entries) and skipped "), 1u) << log.text();
}

TEST(ShmStore, AChangeLeftUnfinishedByItsWriterIsGivenUpAndTheOthersGoOn)
{
    UnidebLog log(Debug::CRIT);
    store_testing::SegmentGuard guard(store_testing::uniqueStoreName());
    auto owner = layOut(guard.name(), sensors());
    ShmStore sut(sensors(), guard.name());
    UniSetObject reader;
    sut.ask(11, UniversalIO::UIONotify, &reader);
    sut.ask(10, UniversalIO::UIONotify, &reader);
    store_testing::takeSensorMessages(reader);

    // A writer that took a sequence number and died before it wrote anything,
    // then one that died after it changed the slot but before it said so.
    auto& h = owner->header();
    h.head.fetch_add(1);
    const uint64_t s = h.head.fetch_add(1);
    auto* log0 = reinterpret_cast<shm::Entry*>(reinterpret_cast<char*>(&h) + h.logOffset);
    shm::Entry& e = log0[s & (h.logCapacity - 1)];
    const uint32_t levelSlot = 1;
    shm::raisePair(&e.what, s, 2, shm::Pair{shm::tagOf(s, shm::Intent), shm::packWhat(levelSlot, -1)});
    auto* slots = reinterpret_cast<shm::Slot*>(reinterpret_cast<char*>(&h) + h.slotsOffset);
    shm::Pair before = shm::guessPair(&slots[levelSlot].state);
    ASSERT_TRUE(shm::casPair(&slots[levelSlot].state, before, shm::Pair{55, s}));

    sut.setValue(10, 1, -1);
    const auto got = store_testing::awaitSensorMessages(reader, 2);
    EXPECT_EQ(got, (std::vector<std::pair<ObjectId, long>>{{11, 55}, {10, 1}}));
    EXPECT_EQ(occurrences(log.text(), "not finished"), 2u) << log.text();
}

namespace
{
    // A segment name taken by someone else first, as the owner's smemory finds it.
    struct SquatCase
    {
        const char* name;
        mode_t mode;
        uid_t owner;           // 0: this user
        bool laidOut;          // a whole store segment, or only the name taken
        bool groupAccess;      // smemory --store-group
        const char* refusal;   // part of the one line; "" when the segment is adopted
    };

    void PrintTo(const SquatCase& c, std::ostream* os) { *os << c.name; }

    constexpr uid_t kNobody = 65534;

    void squat(const std::string& name, const SquatCase& c)
    {
        if (c.laidOut)
            layOut(name, sensors());
        else
            close(shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600));
        const std::string path = "/dev/shm" + name;
        ASSERT_EQ(chmod(path.c_str(), c.mode), 0);
        if (c.owner != 0)
        {
            ASSERT_EQ(chown(path.c_str(), c.owner, static_cast<gid_t>(-1)), 0);
        }
    }

    class SquattedSegment : public ::testing::TestWithParam<SquatCase>
    {
    };
}

TEST_P(SquattedSegment, IsAdoptedOnlyWhenItIsTheOwnersWithNoMoreThanTheModeAskedFor)
{
    const SquatCase& c = GetParam();
    if (c.owner != 0 && geteuid() != 0)
        GTEST_SKIP() << "giving a segment to another user needs root";
    store_testing::SegmentGuard guard(store_testing::uniqueStoreName());
    squat(guard.name(), c);
    ShmSegment::CreateOptions options;
    options.groupAccess = c.groupAccess;
    bool adopted = false;
    const std::string got = errorOf([&] { ShmSegment::create(guard.name(), sensors(), options, adopted); });
    if (*c.refusal == '\0')
    {
        EXPECT_EQ(got, "(no error)");
        EXPECT_TRUE(adopted);
        return;
    }
    EXPECT_NE(got.find("'" + guard.name() + "'"), std::string::npos) << got;
    EXPECT_NE(got.find(c.refusal), std::string::npos) << got;
    EXPECT_NE(got.find("not adopting it"), std::string::npos) << got;
    struct stat st{};
    ASSERT_EQ(stat(("/dev/shm" + guard.name()).c_str(), &st), 0) << "left as it was found";
    EXPECT_EQ(st.st_mode & 07777, c.mode);
}

INSTANTIATE_TEST_SUITE_P(
    ShmStore, SquattedSegment,
    ::testing::Values(SquatCase{"OpenToEveryone", 0666, 0, true, false, "mode 0666"},
                      SquatCase{"OnlyTheNameTakenOpenToEveryone", 0666, 0, false, false, "mode 0666"},
                      SquatCase{"ReadableByOthers", 0604, 0, true, false, "mode 0604"},
                      SquatCase{"GroupWritableWithoutStoreGroup", 0660, 0, true, false, "mode 0660"},
                      SquatCase{"GroupWritableWithStoreGroup", 0660, 0, true, true, ""},
                      SquatCase{"OwnedByAnotherUser", 0600, kNobody, true, false, "uid 65534"},
                      SquatCase{"OwnedByAnotherUserWithStoreGroup", 0660, kNobody, true, true, "uid 65534"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ShmStore, AProgramRefusesAStoreThatGrantsAccessToOtherUsers)
{
    for (const mode_t mode : {0666, 0604, 0601})
    {
        store_testing::SegmentGuard guard(store_testing::uniqueStoreName());
        auto owner = layOut(guard.name(), sensors());
        ASSERT_EQ(chmod(("/dev/shm" + guard.name()).c_str(), mode), 0);
        ShmStore sut(sensors(), guard.name());
        EXPECT_FALSE(sut.isReady());
        EXPECT_NE(sut.problem().find("grants access to other users"), std::string::npos) << sut.problem();
        EXPECT_THROW(sut.setValue(11, 1, -1), StoreError);
    }
    store_testing::SegmentGuard guard(store_testing::uniqueStoreName());
    ShmSegment::CreateOptions group;
    group.groupAccess = true;
    auto owner = layOut(guard.name(), sensors(), group);
    EXPECT_TRUE(ShmStore(sensors(), guard.name()).isReady()) << "the owner's group may share it";
}

TEST(ShmStore, ResetIsRefusedWhileAnotherSmemoryRunsTheStore)
{
    store_testing::SegmentGuard guard(store_testing::uniqueStoreName());
    auto owner = layOut(guard.name(), sensors("Extra_AS"));
    const pid_t running = fork();   // stands for the smemory that runs it
    if (running == 0)
    {
        pause();
        _exit(0);
    }
    owner->header().ownerPid.store(running);
    ShmSegment::CreateOptions reset;
    reset.reset = true;
    bool adopted = false;
    const std::string refused = errorOf([&] { ShmSegment::create(guard.name(), sensors(), reset, adopted); });
    EXPECT_NE(refused.find("is already run by smemory pid " + std::to_string(running)), std::string::npos) << refused;
    EXPECT_EQ(owner->state(), shm::State::Ready) << "its programs go on";

    kill(running, SIGKILL);
    waitpid(running, nullptr, 0);
    EXPECT_NE(ShmSegment::create(guard.name(), sensors(), reset, adopted), nullptr) << "once it is gone";
    EXPECT_EQ(owner->state(), shm::State::Retired);
}

namespace
{
    // The lines a store reported, kept for the test.
    struct Heard
    {
        std::mutex m;
        std::vector<std::string> lines;
        std::function<void(const std::string&)> hook()
        {
            return [this](const std::string& text) {
                std::lock_guard<std::mutex> lk(m);
                lines.push_back(text);
            };
        }
        std::vector<std::string> taken()
        {
            std::lock_guard<std::mutex> lk(m);
            return lines;
        }
    };

    // A store in use whose segment is then removed and laid out again, as when its
    // owner was killed and started anew after a clean-up: the defaults are back.
    class SegmentMadeAnew : public ::testing::Test
    {
    protected:
        SegmentMadeAnew() { sut.setReports({{}, heard.hook()}); }
        void makeAnew()
        {
            ShmSegment::remove(guard.name());
            second = layOut(guard.name(), sensors());
        }

        store_testing::SegmentGuard guard{store_testing::uniqueStoreName()};
        Heard heard;
        std::unique_ptr<ShmSegment> first = layOut(guard.name(), sensors());
        ShmStore sut{sensors(), guard.name()};
        std::unique_ptr<ShmSegment> second;
    };
}

TEST_F(SegmentMadeAnew, IsNoticedByTheNotifierReportedOnceAndFollowed)
{
    UniSetObject reader;
    sut.ask(11, UniversalIO::UIONotify, &reader);
    sut.setValue(11, 77, -1);
    EXPECT_EQ(store_testing::awaitSensorMessages(reader, 2), (std::vector<std::pair<ObjectId, long>>{{11, 40}, {11, 77}}));
    EXPECT_EQ(sut.madeAnew(), "");

    makeAnew();

    ASSERT_TRUE(testing_support::waitFor([&] { return !sut.madeAnew().empty(); }));
    EXPECT_NE(sut.madeAnew().find("'" + guard.name() + "' was made anew"), std::string::npos) << sut.madeAnew();
    EXPECT_EQ(first->state(), shm::State::Retired) << "everyone still on the old one is told";
    EXPECT_EQ(store_testing::awaitSensorMessages(reader, 1), (std::vector<std::pair<ObjectId, long>>{{11, 40}}));
    EXPECT_EQ(sut.getValue(11), 40);
    EXPECT_EQ(heard.taken(), std::vector<std::string>{sut.madeAnew()});
}

TEST_F(SegmentMadeAnew, IsNoticedByAStoreThatAskedNothingWhenItLooksWhetherItIsReady)
{
    sut.setValue(11, 77, -1);
    ShmSegment::remove(guard.name());
    EXPECT_TRUE(sut.isReady()) << "removed only: nothing has taken its place";
    EXPECT_EQ(sut.getValue(11), 77);

    makeAnew();

    ASSERT_TRUE(testing_support::waitFor([&] { return sut.isReady() && !sut.madeAnew().empty(); }));
    EXPECT_EQ(sut.getValue(11), 40);
    EXPECT_EQ(heard.taken().size(), 1u);
}
