#include "ShmStore.h"

#include <chrono>
#include <climits>

#include "Clock.h"
#include "DebugStream.h"
#include "Exceptions.h"
#include "ProgramEnd.h"
#include "Signals.h"
#include "UniSetObject.h"

namespace uniset
{
    namespace
    {
        constexpr UniSetTypes::ObjectId kMaxDenseId = 1 << 20;

        int64_t steadyMs()
        {
            using namespace std::chrono;
            return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
        }

        int64_t wallUs()
        {
            const timeval tv = clock().wallTime();
            return int64_t(tv.tv_sec) * 1000000 + tv.tv_usec;
        }

        std::string notReady(const std::string& segName)
        {
            return "store '" + segName + "' is not ready (smemory is not running)";
        }

        void logLine(const std::string& text) { UniSetTypes::unideb.any() << "(store): " << text << std::endl; }
    }

    ShmStore::ShmStore(const std::vector<UniSetTypes::SensorDescription>& list, std::string name)
        : segName(std::move(name)), fingerprint(ShmSegment::fingerprint(list)), sensors(list), asked(list.size())
    {
        setReports({});
        UniSetTypes::ObjectId maxId = -1;
        for (const auto& s : sensors)
            maxId = std::max(maxId, s.id);
        const bool dense = maxId < kMaxDenseId;
        if (dense)
            denseIndex.assign(static_cast<size_t>(maxId + 1), Where{kNoSlot, 0});
        for (size_t i = 0; i < sensors.size(); ++i)
        {
            const Where w{static_cast<uint32_t>(i), UniversalIO::isDigital(sensors[i].iotype)};
            if (dense)
                denseIndex[sensors[i].id] = w;
            else
                sparseIndex[sensors[i].id] = w;
        }
    }

    ShmStore::~ShmStore()
    {
        {
            std::lock_guard<std::mutex> lk(deliverMutex);
            stopping = true;
            if (sleepingOn)
                sleepingOn->wakeAll();
        }
        progress.notify_all();
        if (notifier.joinable())
            notifier.join();
    }

    std::string ShmStore::segmentNameFor(const UniSetTypes::Configuration& cfg)
    {
        return ShmSegment::segmentName(cfg.getArgParam("--smemory-id", "SharedMemory1"),
                                       cfg.getArgParam("--store-name", ""));
    }

    void ShmStore::installForProgram(const UniSetTypes::Configuration& cfg)
    {
        auto next = std::make_unique<ShmStore>(cfg.getSensors(), segmentNameFor(cfg));
        // A program does not follow its store to a new segment: the values it wrote are
        // not there. It ends, and started again it writes them anew.
        next->setReports({{}, [](const std::string& text) {
                              endProgram(text + ": the program ends; start it again on the new store");
                          }});
        // Made after the first store, so that it goes before the stores' registry at exit.
        static std::unique_ptr<ShmStore> programStore;
        setStore(next.get());
        programStore = std::move(next);
    }

    ShmStore::Where ShmStore::whereIs(UniSetTypes::ObjectId id) const
    {
        if (sparseIndex.empty())   // the constructor fills one index of the two
        {
            if (id >= 0 && id < static_cast<UniSetTypes::ObjectId>(denseIndex.size()) && denseIndex[id].slot != kNoSlot)
                return denseIndex[id];
        }
        else
        {
            auto it = sparseIndex.find(id);
            if (it != sparseIndex.end())
                return it->second;
        }
        throw UniSetTypes::Exception("(store): unknown sensor id=" + std::to_string(id));
    }

    void ShmStore::setReports(Reports r)
    {
        reports.overrun = r.overrun ? std::move(r.overrun) : logLine;
        reports.madeAnew = r.madeAnew ? std::move(r.madeAnew) : [](const std::string& text) {
            logLine(text + ": following the new one");
        };
    }

    std::string ShmStore::madeAnew() const
    {
        std::lock_guard<std::mutex> lk(openMutex);
        return madeAnewText;
    }

    void ShmStore::checkIdentity() const
    {
        const int64_t now = steadyMs();
        int64_t due = nextIdentityCheckMs.load();
        if (now < due || !nextIdentityCheckMs.compare_exchange_strong(due, now + kIdentityCheckMs))
            return;
        // Marks it retired for every process still on it; trySegment then tells.
        if (ShmSegment* s = segPtr.load(std::memory_order_acquire))
            s->retireIfMadeAnew();
    }

    ShmSegment* ShmStore::trySegment() const
    {
        ShmSegment* s = segPtr.load(std::memory_order_acquire);
        if (s && s->state() != shm::State::Retired)
            return s;
        std::lock_guard<std::mutex> lk(openMutex);
        s = segPtr.load(std::memory_order_acquire);
        if (s && s->state() == shm::State::Retired)
        {
            retired.push_back(std::move(seg));
            segPtr.store(nullptr, std::memory_order_release);
            s = nullptr;
            if (madeAnewText.empty())
            {
                madeAnewText = "store '" + segName +
                               "' was made anew (removed and created again, or replaced by smemory --reset)";
                reports.madeAnew(madeAnewText);
            }
        }
        if (s)
            return s;
        auto opened = ShmSegment::open(segName, fingerprint, lastProblem);
        if (!opened)
            return nullptr;
        if (opened->sensorCount() != sensors.size())
        {
            lastProblem = "store '" + segName + "' holds another sensor list than this program's configuration";
            return nullptr;
        }
        // Used from the first time it is seen ready on; afterwards it stays usable
        // while its owner restarts.
        if (opened->state() != shm::State::Ready)
        {
            lastProblem = notReady(segName);
            return nullptr;
        }
        seg = std::move(opened);
        segPtr.store(seg.get(), std::memory_order_release);
        return seg.get();
    }

    ShmSegment& ShmStore::segment() const
    {
        if (ShmSegment* s = trySegment())
            return *s;
        throw UniSetTypes::StoreError("(store): " + problem());
    }

    std::string ShmStore::problem() const
    {
        checkIdentity();
        ShmSegment* s = trySegment();
        if (s)
            return s->state() == shm::State::Ready ? std::string() : notReady(segName);
        std::lock_guard<std::mutex> lk(openMutex);
        return lastProblem;
    }

    bool ShmStore::isReady() const
    {
        checkIdentity();
        ShmSegment* s = trySegment();
        return s && s->state() == shm::State::Ready;
    }

    long ShmStore::getValue(UniSetTypes::ObjectId id) const
    {
        const uint32_t i = indexOf(id);
        return segment().read(i).value;
    }

    UniversalIO::IOTypes ShmStore::getIOType(UniSetTypes::ObjectId id) const { return sensors[indexOf(id)].iotype; }

    bool ShmStore::lastChange(UniSetTypes::ObjectId id, int64_t& timeUs, UniSetTypes::ObjectId& supplier) const
    {
        const uint32_t i = indexOf(id);
        ShmSegment& s = segment();
        int32_t sup = -1;
        if (!s.lastChange(i, s.read(i).seq, timeUs, sup))
            return false;
        supplier = sup;
        return true;
    }

    void ShmStore::setValue(UniSetTypes::ObjectId id, long value, UniSetTypes::ObjectId supplier)
    {
        const Where w = whereIs(id);
        if (supplier < INT32_MIN || supplier > INT32_MAX)
            throw UniSetTypes::Exception("(store): sensor id=" + std::to_string(id) + ": supplier id=" +
                                         std::to_string(supplier) + " is out of range");
        ShmSegment& s = segment();
        s.prepareWrite(w.slot);   // the clock is read while the slot comes
        if (w.digital)
            value = value != 0;
        s.write(w.slot, value, static_cast<int32_t>(supplier), wallUs());
    }

    void ShmStore::ask(UniSetTypes::ObjectId id, UniversalIO::UIOCommand cmd, UniSetObject* consumer)
    {
        const uint32_t i = indexOf(id);
        ShmSegment& s = segment();
        std::unique_lock<std::mutex> lk(deliverMutex);
        if (cmd == UniversalIO::UIODontNotify)
        {
            subscribers.remove(id, consumer);
            dropIfUnheard(i);
            return;
        }
        // A process that never asks has no notifier (and no thread of the store's).
        if (!notifier.joinable())
            notifier = std::thread([this] { notifierMain(); });
        if (following != &s)
        {
            following = &s;
            cursor = s.head();
            pendingSinceMs = -1;
            progress.notify_all();
        }
        // Changes written before the ask reach this process's askers before the
        // ask's own message, as they would with the in-process store.
        const uint64_t target = s.head();
        while (cursor < target && following == &s && !stopping)
            progress.wait_for(lk, std::chrono::milliseconds(10));
        // A sensor others already hear is joined where the notifier stands: the
        // new asker starts from what they last got and hears every later change
        // with them, so nobody gets a change twice, and a writer that keeps the
        // sensor busy cannot hold the ask back.
        Asked& a = asked[i];
        ShmSegment::Value v{a.value, a.seq};
        if (!a.asked)
        {
            v = s.read(i);
            a = Asked{true, v.value, v.seq};
            ++askedCount;
        }
        subscribers.add(id, consumer);
        consumer->push(makeSensorMessage(id, v.value, sensors[i].iotype, UniSetTypes::DefaultObjectId, v.seq).transport());
    }

    void ShmStore::forget(UniSetObject* consumer)
    {
        std::lock_guard<std::mutex> lk(deliverMutex);
        subscribers.removeAll(consumer);
        for (uint32_t i = 0; i < asked.size(); ++i)
            dropIfUnheard(i);
    }

    void ShmStore::dropIfUnheard(uint32_t i)
    {
        if (asked[i].asked && !subscribers.has(sensors[i].id))
        {
            asked[i].asked = false;
            if (--askedCount == 0)
                following = nullptr;
        }
    }

    void ShmStore::notifierMain()
    {
        blockTerminationSignals();
        std::unique_lock<std::mutex> lk(deliverMutex);
        while (!stopping)
        {
            ShmSegment* s = following;
            if (!s)
            {
                progress.wait(lk);
                continue;
            }
            checkIdentity();
            if (s->state() == shm::State::Retired)
            {
                lk.unlock();
                ShmSegment* now = trySegment();
                lk.lock();
                if (following != s)
                    continue;
                if (!now)
                {
                    progress.wait_for(lk, std::chrono::milliseconds(100));
                    continue;
                }
                following = now;
                cursor = now->head();
                for (uint32_t i = 0; i < asked.size(); ++i)
                    deliverCurrent(*now, i, false);
                continue;
            }
            const bool caughtUp = deliverPending(*s, lk);
            progress.notify_all();
            if (stopping || following != s)
                continue;
            const uint64_t at = cursor;
            sleepingOn = s;
            lk.unlock();
            // Straight to sleep, no polling first: a notifier that polls has used up
            // its share of the CPU when a writer that stays busy wakes it, and the
            // scheduler then lets it wait out the writer's time slice (docs/store.md).
            auto moved = [&] {
                ShmSegment::Change c{};
                return s->readEntry(at, c) != ShmSegment::EntryStatus::Pending || stopping.load() ||
                       s->state() == shm::State::Retired;
            };
            // Woken at least every kIdentityCheckMs to look whether the segment was made anew.
            s->waitForChange(moved, caughtUp ? kIdentityCheckMs : 5);
            lk.lock();
        }
    }

    bool ShmStore::deliverPending(ShmSegment& s, std::unique_lock<std::mutex>& lk)
    {
        unsigned batch = 0;
        for (;;)
        {
            ShmSegment::Change c{};
            const auto status = s.readEntry(cursor, c);
            if (status == ShmSegment::EntryStatus::Overrun)
            {
                recoverFromOverrun(s);
                return true;
            }
            if (status == ShmSegment::EntryStatus::Pending)
            {
                // The head is read only here, so that a notifier keeping up with a
                // writer does not pull the head's cache line at every change.
                const uint64_t head = s.head();
                if (head <= cursor)
                {
                    pendingSinceMs = -1;
                    return true;   // caught up
                }
                if (head - cursor > s.capacity())
                {
                    recoverFromOverrun(s);
                    return true;
                }
                const int64_t now = steadyMs();
                if (pendingSinceMs < 0)
                    pendingSinceMs = now;
                if (now - pendingSinceMs < kGiveUpMs)
                    return false;
                UniSetTypes::unideb.crit() << "(store): change " << cursor << " of '" << segName
                                           << "' was not finished by its writer within " << kGiveUpMs
                                           << " ms: giving up on it" << std::endl;
                s.giveUp(cursor);
                pendingSinceMs = -1;
                continue;
            }
            pendingSinceMs = -1;
            if (c.kind == shm::Change)
                deliverChange(cursor, c);
            else if (c.kind == shm::Refresh)
                deliverCurrent(s, c.slot, true);
            ++cursor;
            // Let askers in now and then during a long burst.
            if (++batch % 1024 == 0)
            {
                progress.notify_all();
                lk.unlock();
                lk.lock();
                if (stopping || following != &s)
                    return true;
            }
        }
    }

    void ShmStore::deliverChange(uint64_t seq, const ShmSegment::Change& c)
    {
        Asked& a = asked[c.slot];
        if (!a.asked || seq <= a.seq)
            return;
        a.value = c.value;
        a.seq = seq;
        const auto& d = sensors[c.slot];
        auto msg = makeSensorMessage(d.id, c.value, d.iotype, c.supplier, seq);
        msg.sm_tv_sec = c.timeUs / 1000000;
        msg.sm_tv_usec = c.timeUs % 1000000;
        subscribers.deliver(msg);
    }

    void ShmStore::deliverCurrent(ShmSegment& s, uint32_t index, bool onlyWhenChanged)
    {
        Asked& a = asked[index];
        if (!a.asked)
            return;
        const auto v = s.read(index);
        const auto& d = sensors[index];
        if (onlyWhenChanged)
        {
            if (v.seq <= a.seq || v.value == a.value)
            {
                a.seq = std::max(a.seq, v.seq);
                return;
            }
            UniSetTypes::unideb.crit() << "(store): sensor " << d.name << " (id=" << d.id
                                       << ") changed by a write that did not finish in time: sending its current value "
                                       << v.value << std::endl;
        }
        a.value = v.value;
        a.seq = v.seq;
        int64_t timeUs = 0;
        int32_t supplier = -1;
        const bool known = s.lastChange(index, v.seq, timeUs, supplier);
        auto msg = makeSensorMessage(d.id, v.value, d.iotype, known ? supplier : UniSetTypes::DefaultObjectId, v.seq);
        if (known)
        {
            msg.sm_tv_sec = timeUs / 1000000;
            msg.sm_tv_usec = timeUs % 1000000;
        }
        subscribers.deliver(msg);
    }

    void ShmStore::recoverFromOverrun(ShmSegment& s)
    {
        const uint64_t head = s.head();
        reports.overrun("the notifier of '" + segName + "' fell behind the change log (" +
                        std::to_string(s.capacity()) + " entries) and skipped " + std::to_string(head - cursor) +
                        " changes: sending the current value of " + std::to_string(askedCount) + " asked sensors");
        cursor = head;
        pendingSinceMs = -1;
        for (uint32_t i = 0; i < asked.size(); ++i)
            deliverCurrent(s, i, false);
    }
}
