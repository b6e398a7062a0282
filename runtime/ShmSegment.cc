#include "ShmSegment.h"

#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <linux/futex.h>
#include <cstdio>
#include <new>
#include <pwd.h>
#include <csignal>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

#include "Exceptions.h"

namespace uniset
{
    using namespace shm;

    namespace
    {
        constexpr size_t kHeaderSize = 4096;

        std::string errnoText(int err) { return std::strerror(err); }

        // A segment that stays without its magic this long was left by a creator that died.
        constexpr auto kLayoutWait = std::chrono::seconds(2);

        uint64_t roundUpPow2(uint64_t n)
        {
            uint64_t p = 64;
            while (p < n)
                p <<= 1;
            return p;
        }

        size_t slotsBytes(uint32_t count) { return (size_t(count) * sizeof(Slot) + 4095) / 4096 * 4096; }

        long futex(void* addr, int op, uint32_t val, const timespec* ts)
        {
            return syscall(SYS_futex, addr, op, val, ts, nullptr, 0);
        }

        void fnv(uint64_t& h, const void* data, size_t n)
        {
            const auto* p = static_cast<const unsigned char*>(data);
            for (size_t i = 0; i < n; ++i)
            {
                h ^= p[i];
                h *= 0x100000001b3ULL;
            }
        }
    }

    std::string ShmSegment::segmentName(const std::string& smemoryId, const std::string& storeName)
    {
        auto check = [](const std::string& what, const std::string& v) {
            if (v.empty())
                throw UniSetTypes::SystemError("(store): " + what + " is empty");
            for (char c : v)
                if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.'))
                    throw UniSetTypes::SystemError("(store): " + what + " '" + v +
                                                   "' may hold only letters, digits, '_', '-' and '.'");
        };
        check("--smemory-id", smemoryId);
        std::string n = "/ravna." + smemoryId;
        if (!storeName.empty())
        {
            check("--store-name", storeName);
            n += "." + storeName;
        }
        if (n.size() > 200)
            throw UniSetTypes::SystemError("(store): the store name '" + n + "' is too long");
        return n;
    }

    uint64_t ShmSegment::fingerprint(const std::vector<UniSetTypes::SensorDescription>& sensors)
    {
        uint64_t h = 0xcbf29ce484222325ULL;
        const uint64_t count = sensors.size();
        fnv(h, &count, sizeof(count));
        for (const auto& s : sensors)
        {
            const int64_t id = s.id;
            const int32_t type = s.iotype;
            fnv(h, &id, sizeof(id));
            fnv(h, &type, sizeof(type));
            fnv(h, s.name.data(), s.name.size());
            fnv(h, "", 1);
        }
        return h;
    }

    ShmSegment::ShmSegment(std::string name, void* b, size_t sz, const struct stat& st)
        : segName(std::move(name)), base(b), size(sz), device(st.st_dev), inode(st.st_ino)
    {
        hdr = static_cast<Header*>(base);
        slots = reinterpret_cast<Slot*>(static_cast<char*>(base) + hdr->slotsOffset);
        log = reinterpret_cast<Entry*>(static_cast<char*>(base) + hdr->logOffset);
    }

    ShmSegment::~ShmSegment() { munmap(base, size); }

    namespace
    {
        enum class Probe
        {
            Missing,
            NoAccess,
            Incomplete,
            Mapped
        };

        // Whom a segment must belong to, and what it may grant, to be used at all.
        struct Trust
        {
            bool mustBeOurs;   // the owner's segment: of the user that runs this
            mode_t allowed;    // permission bits it may have
        };

        std::string modeText(mode_t mode)
        {
            char buf[8];
            std::snprintf(buf, sizeof(buf), "%04o", static_cast<unsigned>(mode & 07777));
            return buf;
        }

        std::string userText(uid_t uid)
        {
            passwd pw{};
            passwd* found = nullptr;
            char buf[1024];
            if (getpwuid_r(uid, &pw, buf, sizeof(buf), &found) == 0 && found)
                return std::string(found->pw_name) + ", uid " + std::to_string(uid);
            return "uid " + std::to_string(uid);
        }

        // Why a segment that another user made, or that grants more than it may, is
        // not to be used; "" when it may. Checked before it is mapped: whoever could
        // write it could forge every value in it.
        std::string distrust(const std::string& name, const struct stat& st, const Trust& trust)
        {
            const std::string what = "'" + name + "' (owner " + userText(st.st_uid) + ", mode " + modeText(st.st_mode) + ")";
            if (!S_ISREG(st.st_mode))
                return what + " is not a shared-memory segment";
            if (trust.mustBeOurs && (st.st_uid != geteuid() || (st.st_mode & 07777 & ~trust.allowed)))
                return what + " is not this user's own with mode " + modeText(trust.allowed) +
                       " or less: not adopting it; remove it (rm /dev/shm" + name + ") if it is no one else's";
            if (st.st_mode & 07777 & ~trust.allowed)
                return "store " + what + " grants access to other users: not using it";
            return "";
        }

        // Maps an existing segment once its layout is complete.
        Probe mapExisting(const std::string& name, const Trust& trust, void*& base, size_t& size, struct stat& st,
                          std::string& why)
        {
            const int fd = shm_open(name.c_str(), O_RDWR, 0);
            if (fd < 0)
            {
                if (errno == ENOENT)
                {
                    why = "store '" + name + "' does not exist (is smemory running?)";
                    return Probe::Missing;
                }
                why = "store '" + name + "' cannot be opened: " + errnoText(errno);
                return Probe::NoAccess;
            }
            if (fstat(fd, &st) != 0)
            {
                why = "store '" + name + "' cannot be examined: " + errnoText(errno);
                close(fd);
                return Probe::NoAccess;
            }
            why = distrust(name, st, trust);
            if (!why.empty())
            {
                close(fd);
                return Probe::NoAccess;
            }
            if (st.st_size < static_cast<off_t>(kHeaderSize))
            {
                close(fd);
                why = "store '" + name + "' is being laid out";
                return Probe::Incomplete;
            }
            void* p = mmap(nullptr, st.st_size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
            const int err = errno;
            close(fd);
            if (p == MAP_FAILED)
            {
                why = "store '" + name + "' cannot be mapped: " + errnoText(err);
                return Probe::NoAccess;
            }
            auto* h = static_cast<Header*>(p);
            if (h->magic.load(std::memory_order_acquire) != kMagic || h->totalSize != static_cast<uint64_t>(st.st_size))
            {
                munmap(p, st.st_size);
                why = "store '" + name + "' is being laid out";
                return Probe::Incomplete;
            }
            base = p;
            size = st.st_size;
            return Probe::Mapped;
        }

        bool anotherLiveProcess(pid_t pid) { return pid > 0 && pid != getpid() && (kill(pid, 0) == 0 || errno == EPERM); }

        UniSetTypes::StoreError alreadyRun(const std::string& name, pid_t pid)
        {
            return UniSetTypes::StoreError("(store): '" + name + "' is already run by smemory pid " + std::to_string(pid));
        }
    }

    std::unique_ptr<ShmSegment> ShmSegment::open(const std::string& name, uint64_t fp, std::string& why)
    {
        void* p = nullptr;
        size_t sz = 0;
        struct stat st{};
        // A program may share its store with the owner's group, never with everybody.
        if (mapExisting(name, Trust{false, 0770}, p, sz, st, why) != Probe::Mapped)
            return nullptr;
        std::unique_ptr<ShmSegment> seg(new ShmSegment(name, p, sz, st));
        if (seg->hdr->version != kVersion)
        {
            why = "store '" + name + "' has layout version " + std::to_string(seg->hdr->version) + ", this program " +
                  std::to_string(kVersion);
            return nullptr;
        }
        if (seg->hdr->fingerprint != fp)
        {
            why = "store '" + name + "' holds another sensor list than this program's configuration";
            return nullptr;
        }
        if (seg->state() == State::Retired)
        {
            why = "store '" + name + "' is being replaced";
            return nullptr;
        }
        return seg;
    }

    std::unique_ptr<ShmSegment> ShmSegment::create(const std::string& name,
                                                   const std::vector<UniSetTypes::SensorDescription>& sensors,
                                                   const CreateOptions& options, bool& adopted)
    {
        const uint64_t fp = fingerprint(sensors);
        const auto deadline = std::chrono::steady_clock::now() + kLayoutWait;
        adopted = false;
        for (;;)
        {
            void* p = nullptr;
            size_t sz = 0;
            struct stat st{};
            std::string why;
            const mode_t mode = options.groupAccess ? 0660 : 0600;
            const Probe probe = mapExisting(name, Trust{true, mode}, p, sz, st, why);
            if (probe == Probe::NoAccess)
                throw UniSetTypes::StoreError("(store): " + why);
            if (probe == Probe::Incomplete && std::chrono::steady_clock::now() < deadline)
            {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                continue;
            }
            if (probe == Probe::Mapped)
            {
                std::unique_ptr<ShmSegment> seg(new ShmSegment(name, p, sz, st));
                // Neither adopted nor replaced under a running owner: its programs would go silent.
                if (const pid_t pid = seg->servedByAnother())
                    throw alreadyRun(name, pid);
                if (seg->hdr->version == kVersion && seg->hdr->fingerprint == fp && seg->state() != State::Retired)
                {
                    adopted = true;
                    return seg;
                }
                if (!options.reset)
                    throw UniSetTypes::StoreError("(store): '" + name +
                                                  "' holds another sensor list than this configuration; "
                                                  "start smemory with --reset to replace it");
                // Programs still attached to it see this and stop using it.
                seg->setState(State::Retired);
            }
            // Missing, replaced, or left half laid out by a creator that died.
            if (probe != Probe::Missing)
                shm_unlink(name.c_str());

            const int fd = shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, mode);
            if (fd < 0 && errno == EEXIST)
                continue;   // another owner is creating it right now
            if (fd < 0)
                throw UniSetTypes::StoreError("(store): cannot create '" + name + "': " + errnoText(errno));

            const uint64_t capacity = roundUpPow2(options.logCapacity);
            const uint32_t count = static_cast<uint32_t>(sensors.size());
            const size_t total = kHeaderSize + slotsBytes(count) + capacity * sizeof(Entry);
            // The mode must not depend on the umask.
            if (fchmod(fd, mode) != 0 || ftruncate(fd, static_cast<off_t>(total)) != 0 || fstat(fd, &st) != 0)
            {
                const int err = errno;
                close(fd);
                shm_unlink(name.c_str());
                throw UniSetTypes::StoreError("(store): cannot size '" + name + "': " + errnoText(err));
            }
            void* mem = mmap(nullptr, total, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
            const int err = errno;
            close(fd);
            if (mem == MAP_FAILED)
            {
                shm_unlink(name.c_str());
                throw UniSetTypes::StoreError("(store): cannot map '" + name + "': " + errnoText(err));
            }

            auto* h = new (mem) Header{};
            h->version = kVersion;
            h->sensorCount = count;
            h->logCapacity = capacity;
            h->fingerprint = fp;
            h->totalSize = total;
            h->slotsOffset = kHeaderSize;
            h->logOffset = kHeaderSize + slotsBytes(count);
            h->state.store(static_cast<uint32_t>(State::Stopped));
            h->ownerPid.store(0);
            h->head.store(1);
            auto* s = reinterpret_cast<Slot*>(static_cast<char*>(mem) + kHeaderSize);
            for (uint32_t i = 0; i < count; ++i)
            {
                const auto& d = sensors[i];
                const int64_t def = UniversalIO::isDigital(d.iotype) ? (d.defaultValue != 0) : d.defaultValue;
                s[i].state = Pair{static_cast<uint64_t>(def), 0};
                s[i].stamp = Pair{packStamp(0, -1), 0};
            }
            h->magic.store(kMagic, std::memory_order_release);
            return std::unique_ptr<ShmSegment>(new ShmSegment(name, mem, total, st));
        }
    }

    bool ShmSegment::remove(const std::string& name) { return shm_unlink(name.c_str()) == 0; }

    pid_t ShmSegment::servedByAnother() const
    {
        const pid_t pid = hdr->ownerPid.load();
        return anotherLiveProcess(pid) ? pid : 0;
    }

    void ShmSegment::takeOwnership()
    {
        auto& owner = hdr->ownerPid;
        int32_t seen = owner.load();
        for (;;)
        {
            if (anotherLiveProcess(seen))
                throw alreadyRun(segName, seen);
            if (owner.compare_exchange_weak(seen, getpid()))
                return;
        }
    }

    void ShmSegment::releaseOwnership()
    {
        int32_t mine = getpid();
        hdr->ownerPid.compare_exchange_strong(mine, 0);
    }

    bool ShmSegment::retireIfMadeAnew()
    {
        if (state() == State::Retired)
            return true;
        // The name is looked up, not opened: that needs no permission on the new segment.
        struct stat st{};
        if (::stat(("/dev/shm" + segName).c_str(), &st) != 0 || (st.st_dev == device && st.st_ino == inode))
            return false;   // still this one, or removed with nothing in its place yet
        // Nobody can reach this one by its name any more: everyone still on it is told.
        setState(State::Retired);
        return true;
    }

    void ShmSegment::setState(State s)
    {
        hdr->state.store(static_cast<uint32_t>(s), std::memory_order_release);
        wakeAll();
    }

    bool ShmSegment::write(uint32_t index, int64_t value, int32_t supplier, int64_t timeUs)
    {
        Slot& sl = slots[index];
        Pair cur = guessPair(&sl.state);
        for (;;)
        {
            if (static_cast<int64_t>(cur.a) == value)
            {
                cur = readPair(&sl.state, false);
                if (static_cast<int64_t>(cur.a) == value)
                    return false;
            }
            const uint64_t s = hdr->head.fetch_add(1, std::memory_order_seq_cst);
            Entry& e = entry(s);
            const Pair intent{tagOf(s, Intent), packWhat(index, supplier)};
            // The entry says what will change before the slot does, so that whoever
            // gives up on it can tell which slot to refresh.
            const bool mine = raisePair(&e.value, s, 0, Pair{s, static_cast<uint64_t>(value)}) &&
                              raisePair(&e.time, s, 0, Pair{s, static_cast<uint64_t>(timeUs)}) &&
                              raisePair(&e.what, s, 2, intent);
            if (!mine)
            {
                cur = guessPair(&sl.state);
                continue;
            }
            Pair expected = cur;
            const bool changed = casPair(&sl.state, expected, Pair{static_cast<uint64_t>(value), s});
            Pair inFlight = intent;
            const bool committed = casPair(&e.what, inFlight, Pair{tagOf(s, changed ? shm::Change : shm::Void), intent.b});
            if (changed)
            {
                raiseStamp(&sl.stamp, s, Pair{packStamp(s, supplier), static_cast<uint64_t>(timeUs)});
                if (!committed)
                    logRefresh(index);   // a notifier gave up on us meanwhile
                wakeIfAsleep();
                return true;
            }
            if (committed)
                wakeIfAsleep();   // a notifier may wait on this entry
            cur = expected;
        }
    }

    void ShmSegment::logRefresh(uint32_t index)
    {
        for (;;)
        {
            const uint64_t r = hdr->head.fetch_add(1, std::memory_order_seq_cst);
            if (raisePair(&entry(r).what, r, 2, Pair{tagOf(r, Refresh), packWhat(index, -1)}))
                return;
        }
    }

    ShmSegment::Value ShmSegment::read(uint32_t index) const
    {
        const Pair p = readPair(&slots[index].state, false);
        return Value{static_cast<int64_t>(p.a), p.b};
    }

    bool ShmSegment::lastChange(uint32_t index, uint64_t seq, int64_t& timeUs, int32_t& supplier) const
    {
        const Pair st = readPair(&slots[index].stamp, true);
        if (stampSeq(st.a) != static_cast<uint32_t>(seq))
            return false;
        timeUs = static_cast<int64_t>(st.b);
        supplier = stampSupplier(st.a);
        return true;
    }

    ShmSegment::EntryStatus ShmSegment::readEntry(uint64_t seq, Change& change) const
    {
        const Entry& e = entry(seq);
        const Pair w = readPair(&e.what, true);
        const uint64_t at = seqOf(w.a);
        if (at > seq)
            return EntryStatus::Overrun;
        if (at < seq || kindOf(w.a) == Intent)
            return EntryStatus::Pending;
        change.kind = kindOf(w.a);
        change.slot = slotOf(w.b);
        change.supplier = supplierOf(w.b);
        if (change.kind == shm::Void)
            return EntryStatus::Done;
        if (change.slot >= hdr->sensorCount)
            return EntryStatus::Overrun;   // cannot happen in a sound segment: treat as lost
        if (change.kind == shm::Refresh)
            return EntryStatus::Done;
        const Pair v = readPair(&e.value, true);
        const Pair t = readPair(&e.time, true);
        if (v.a != seq || t.a != seq)
            return EntryStatus::Overrun;
        change.value = static_cast<int64_t>(v.b);
        change.timeUs = static_cast<int64_t>(t.b);
        return EntryStatus::Done;
    }

    void ShmSegment::giveUp(uint64_t seq)
    {
        Entry& e = entry(seq);
        Pair cur = guessPair(&e.what);
        for (;;)
        {
            const uint64_t at = seqOf(cur.a);
            if (at > seq || (at == seq && kindOf(cur.a) != Intent))
                return;
            const Pair desired = at < seq ? Pair{tagOf(seq, shm::Void), 0} : Pair{tagOf(seq, shm::Refresh), cur.b};
            if (casPair(&e.what, cur, desired))
                return;
        }
    }

    void ShmSegment::wakeIfAsleep()
    {
        // A busy notifier is not flagged: the writer then makes no call. Only the
        // writer that clears the flag makes one, so a burst of changes costs one
        // wake-up however many writers take part.
        if (bumpWake(true))
            futex(&hdr->wake, FUTEX_WAKE, INT_MAX, nullptr);
    }

    void ShmSegment::wakeAll()
    {
        bumpWake(false);
        futex(&hdr->wake, FUTEX_WAKE, INT_MAX, nullptr);
    }

    bool ShmSegment::bumpWake(bool onlyWhenFlagged)
    {
        uint32_t w = hdr->wake.load(std::memory_order_seq_cst);
        while (!onlyWhenFlagged || (w & kMaySleep))
        {
            if (hdr->wake.compare_exchange_weak(w, (w + kWakeStep) & ~kMaySleep, std::memory_order_seq_cst))
                return true;
        }
        return false;
    }

    void ShmSegment::sleep(uint32_t seen, int timeoutMs)
    {
        timespec ts{timeoutMs / 1000, (timeoutMs % 1000) * 1000000L};
        futex(&hdr->wake, FUTEX_WAIT, seen, timeoutMs < 0 ? nullptr : &ts);
    }
}
