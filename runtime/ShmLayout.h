// The layout of a shared-memory store segment: a header, one slot per sensor of the
// configuration and a ring of change-log entries. Nothing in it is a lock: every
// update is one locked instruction, so a process killed at any point leaves the
// segment readable and writable by the others.
#pragma once

// A slot is updated with cmpxchg16b, and the segment is laid out as this compiler
// lays it out on x86-64: elsewhere the store would not build correctly, so it does
// not build at all.
#if !defined(__x86_64__)
#error "the shared-memory store is built for x86-64 only: its slots are updated with cmpxchg16b"
#endif

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace uniset::shm
{
    // Two 64-bit words updated together by one cmpxchg16b. Word a is a tag (a sequence
    // number) wherever one pair may be overwritten by a later change.
    struct alignas(16) Pair
    {
        uint64_t a = 0;
        uint64_t b = 0;
    };

    // On failure expected gets the pair's current contents.
    inline bool casPair(Pair* p, Pair& expected, const Pair& desired)
    {
        bool ok;
        __asm__ __volatile__("lock cmpxchg16b %1"
                             : "=@ccz"(ok), "+m"(*p), "+a"(expected.a), "+d"(expected.b)
                             : "b"(desired.a), "c"(desired.b)
                             : "memory");
        return ok;
    }

    // A consistent read of a pair whose tag word changes with every update: the tag
    // read twice around the other word (no write to the cache line, so readers of
    // different processes never contend).
    inline Pair readPair(const Pair* p, bool tagIsA)
    {
        const uint64_t* tag = tagIsA ? &p->a : &p->b;
        const uint64_t* other = tagIsA ? &p->b : &p->a;
        for (;;)
        {
            const uint64_t t1 = __atomic_load_n(tag, __ATOMIC_ACQUIRE);
            const uint64_t o = __atomic_load_n(other, __ATOMIC_ACQUIRE);
            const uint64_t t2 = __atomic_load_n(tag, __ATOMIC_ACQUIRE);
            if (t1 == t2)
                return tagIsA ? Pair{t1, o} : Pair{o, t1};
        }
    }

    // Two plain 8-byte reads: possibly torn, good only as the first guess of a CAS.
    inline Pair guessPair(const Pair* p)
    {
        return Pair{__atomic_load_n(&p->a, __ATOMIC_RELAXED), __atomic_load_n(&p->b, __ATOMIC_RELAXED)};
    }

    // Stores desired unless the pair already carries a tag of seq or later (compared
    // after shifting the tag right by shift); false when a later one is there.
    inline bool raisePair(Pair* p, uint64_t seq, unsigned shift, const Pair& desired)
    {
        Pair cur = guessPair(p);
        while ((cur.a >> shift) < seq)
        {
            if (casPair(p, cur, desired))
                return true;
        }
        return false;
    }

    constexpr uint64_t kMagic = 0x314d5341564152ULL;   // "RAVASM1"
    constexpr uint32_t kVersion = 3;
    constexpr uint64_t kDefaultLogCapacity = uint64_t(1) << 18;

    constexpr uint32_t kMaySleep = 1;
    constexpr uint32_t kWakeStep = 2;

    enum class State : uint32_t
    {
        Stopped = 0,   // laid out, its owner not running (values are kept)
        Ready = 1,     // its owner runs
        Retired = 2    // replaced by a new segment (smemory --reset): reopen
    };

    struct Header
    {
        std::atomic<uint64_t> magic;   // written last when the segment is laid out
        uint32_t version;
        uint32_t sensorCount;
        uint64_t logCapacity;          // a power of two
        uint64_t fingerprint;
        uint64_t totalSize;
        uint64_t slotsOffset;
        uint64_t logOffset;
        std::atomic<uint32_t> state;
        std::atomic<int32_t> ownerPid;

        alignas(64) std::atomic<uint64_t> head;   // the next change sequence; the first is 1

        // Futex word: kMaySleep while a notifier may sleep on it; a wake-up clears that
        // and adds kWakeStep, so that a sleeper's expected value no longer holds.
        alignas(64) std::atomic<uint32_t> wake;
    };

    // One sensor, two to a cache line: a large store then spans half the lines and
    // pages. state = (value, sequence of its last change; 0 for the default value);
    // stamp = (that sequence's low 32 bits << 32 | supplier id, microseconds of wall
    // time), written after state.
    struct alignas(32) Slot
    {
        Pair state;
        Pair stamp;
    };
    static_assert(sizeof(Slot) == 32);

    inline uint64_t packStamp(uint64_t seq, int32_t supplier) { return (seq << 32) | uint32_t(supplier); }
    inline uint32_t stampSeq(uint64_t a) { return uint32_t(a >> 32); }
    inline int32_t stampSupplier(uint64_t a) { return int32_t(uint32_t(a)); }

    // Stores the stamp of change seq unless the slot carries a later change's. The
    // tags are compared modulo 2^32: two writers of one slot are never 2^31 changes
    // apart, and a writer stopped that long at worst leaves a stamp that no longer
    // matches the slot's sequence, which reads as unknown.
    inline void raiseStamp(Pair* p, uint64_t seq, const Pair& desired)
    {
        Pair cur = guessPair(p);
        while (static_cast<int32_t>(stampSeq(cur.a) - static_cast<uint32_t>(seq)) <= 0)
        {
            if (casPair(p, cur, desired))
                return;
        }
    }

    // Kinds of a log entry, in the low two bits of its tag.
    enum Kind : uint64_t
    {
        Intent = 0,    // being written: the slot may or may not have changed yet
        Change = 1,    // the slot changed to this value
        Void = 2,      // nothing happened (the writer lost a race or never finished)
        Refresh = 3    // the slot's change may have been missed: send its current value
    };

    inline uint64_t tagOf(uint64_t seq, Kind k) { return (seq << 2) | k; }
    inline uint64_t seqOf(uint64_t tag) { return tag >> 2; }
    inline Kind kindOf(uint64_t tag) { return static_cast<Kind>(tag & 3); }

    // One change. what = (tag, slot index << 32 | supplier); value = (sequence, value);
    // time = (sequence, microseconds). value and time are written before what.
    struct alignas(64) Entry
    {
        Pair what;
        Pair value;
        Pair time;
        uint64_t reserved[2];
    };
    static_assert(sizeof(Entry) == 64);

    inline uint64_t packWhat(uint32_t slot, int32_t supplier)
    {
        return (uint64_t(slot) << 32) | uint32_t(supplier);
    }
    inline uint32_t slotOf(uint64_t what) { return uint32_t(what >> 32); }
    inline int32_t supplierOf(uint64_t what) { return int32_t(uint32_t(what)); }
}
