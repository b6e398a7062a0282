// One mapped store segment and the lock-free protocol on it: writing a value with its
// change-log entry, reading values and entries, and giving up on an entry whose
// writer never finished. ShmStore builds the store interface on it; smemory lays it out.
#pragma once

#include <memory>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <vector>

#include "Configuration.h"
#include "ShmLayout.h"

namespace uniset
{
    class ShmSegment
    {
    public:
        struct CreateOptions
        {
            uint64_t logCapacity = shm::kDefaultLogCapacity;   // rounded up to a power of two
            bool groupAccess = false;                          // mode 0660 instead of 0600
            bool reset = false;                                // replace a segment of another sensor list
        };

        ~ShmSegment();
        ShmSegment(const ShmSegment&) = delete;
        ShmSegment& operator=(const ShmSegment&) = delete;

        // "/ravna.<smemoryId>" or "/ravna.<smemoryId>.<storeName>"; throws
        // UniSetTypes::SystemError on a name that cannot name a segment.
        static std::string segmentName(const std::string& smemoryId, const std::string& storeName);
        // Of the sensor list (ids, names, I/O types, in order): two programs share a
        // segment only when theirs agree.
        static uint64_t fingerprint(const std::vector<UniSetTypes::SensorDescription>& sensors);

        // An existing, completely laid-out segment of that fingerprint; nullptr with the
        // reason in why otherwise (missing, half laid out, another sensor list, no access,
        // open to users beyond the owner's group).
        static std::unique_ptr<ShmSegment> open(const std::string& name, uint64_t fingerprint, std::string& why);
        // For the store's owner: adopts an existing segment of the same sensor list
        // (adopted = true, values kept) or lays out a new one with the default values.
        // Throws UniSetTypes::StoreError when another sensor list is there and
        // options.reset is false, when another live smemory runs the segment, when it
        // is not this user's or grants more than the mode asked for, or when the
        // segment cannot be made.
        static std::unique_ptr<ShmSegment> create(const std::string& name,
                                                  const std::vector<UniSetTypes::SensorDescription>& sensors,
                                                  const CreateOptions& options, bool& adopted);
        // Removes the segment's name (mappings stay valid); false when there was none.
        static bool remove(const std::string& name);

        // --- its owner (smemory): one at a time
        // The pid of another smemory that runs this segment and is alive; 0 when none.
        pid_t servedByAnother() const;
        // Throws UniSetTypes::StoreError when another live smemory runs it.
        void takeOwnership();
        void releaseOwnership();

        // --- its identity: the segment itself, not its name
        // True (and the segment marked retired for everyone on it) once its name leads
        // to another segment: it was removed and made anew, or replaced.
        bool retireIfMadeAnew();

        const std::string& name() const { return segName; }
        shm::Header& header() const { return *hdr; }
        uint32_t sensorCount() const { return hdr->sensorCount; }
        const shm::Slot& slot(uint32_t index) const { return slots[index]; }
        shm::State state() const { return static_cast<shm::State>(hdr->state.load(std::memory_order_acquire)); }
        void setState(shm::State s);

        // --- values
        // Starts fetching slot index's cache line for a write to come: in a large store
        // it is seldom in cache, and the writer has its own work to do meanwhile.
        void prepareWrite(uint32_t index) const { __builtin_prefetch(&slots[index], 1); }
        // Stores value in slot index and logs the change; false (and nothing logged)
        // when the slot already holds the value.
        bool write(uint32_t index, int64_t value, int32_t supplier, int64_t timeUs);
        // The value and the sequence of its last change.
        struct Value
        {
            int64_t value;
            uint64_t seq;
        };
        Value read(uint32_t index) const;
        // Time (µs) and supplier of the slot's last change, when they are still those
        // of the change read() shows.
        bool lastChange(uint32_t index, uint64_t seq, int64_t& timeUs, int32_t& supplier) const;

        // --- change log
        uint64_t head() const { return hdr->head.load(std::memory_order_seq_cst); }
        uint64_t capacity() const { return hdr->logCapacity; }
        struct Change
        {
            shm::Kind kind;
            uint32_t slot;
            int64_t value;
            int32_t supplier;
            int64_t timeUs;
        };
        enum class EntryStatus
        {
            Pending,   // not finished yet
            Done,      // change holds it
            Overrun    // overwritten by a later lap of the ring
        };
        EntryStatus readEntry(uint64_t seq, Change& change) const;
        // Ends an entry that stayed unfinished: void when its writer had not yet said
        // what it writes, else a refresh of its slot. The writer, if it ever goes on,
        // sees this and logs again.
        void giveUp(uint64_t seq);

        // --- waking
        // Sleeps until a writer wakes this process's notifier (or timeoutMs; -1 none),
        // unless ready() says there is something to do already.
        template <typename Ready>
        void waitForChange(Ready ready, int timeoutMs)
        {
            // Flagged first, looked at after: a writer either sees the flag and wakes
            // this one, or wrote before the flag and ready() sees the change.
            const uint32_t seen = hdr->wake.fetch_or(shm::kMaySleep, std::memory_order_seq_cst) | shm::kMaySleep;
            if (!ready())
                sleep(seen, timeoutMs);
        }
        // Wakes every notifier (to stop one, or after the state changed).
        void wakeAll();

    private:
        ShmSegment(std::string name, void* base, size_t size, const struct stat& st);
        shm::Entry& entry(uint64_t seq) const { return log[seq & (hdr->logCapacity - 1)]; }
        void wakeIfAsleep();
        // Clears the flag and moves the word on (when onlyWhenFlagged, only if flagged).
        bool bumpWake(bool onlyWhenFlagged);
        void sleep(uint32_t seen, int timeoutMs);
        void logRefresh(uint32_t index);

        std::string segName;
        void* base;
        size_t size;
        dev_t device;   // the segment's identity while this maps it
        ino_t inode;
        shm::Header* hdr;
        shm::Slot* slots;
        shm::Entry* log;
    };
}
