// The store in shared memory that separate programs meet in. A program opens it by
// name; it need not exist yet: until smemory has laid it out and marked it ready,
// isReady() is false and every read, write and ask throws UniSetTypes::StoreError.
// One notifier thread per store, started by the first ask, delivers the changes of the
// segment's change log, in order, to this process's objects that asked.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "Configuration.h"
#include "ShmSegment.h"
#include "Store.h"
#include "Subscribers.h"

namespace uniset
{
    class ShmStore final : public Store
    {
    public:
        // segmentName as ShmSegment::segmentName gives it.
        ShmStore(const std::vector<UniSetTypes::SensorDescription>& sensors, std::string segmentName);
        ~ShmStore() override;

        // The store the options of cfg name (--smemory-id, --store-name).
        static std::string segmentNameFor(const UniSetTypes::Configuration& cfg);
        // Opens that store for the program and installs it as uniset::store() (uniset_init
        // calls it); the store it replaces, if any, is closed.
        static void installForProgram(const UniSetTypes::Configuration& cfg);

        std::string name() const override { return segName; }
        bool isReady() const override;
        long getValue(UniSetTypes::ObjectId id) const override;
        UniversalIO::IOTypes getIOType(UniSetTypes::ObjectId id) const override;
        void setValue(UniSetTypes::ObjectId id, long value, UniSetTypes::ObjectId supplier) override;
        void ask(UniSetTypes::ObjectId id, UniversalIO::UIOCommand cmd, UniSetObject* consumer) override;
        void forget(UniSetObject* consumer) override;

        // Why the store cannot be used now ("" when it is ready): missing, being laid
        // out, of another sensor list, not ready, replaced, open to other users.
        std::string problem() const;

        // What the users of a store must hear of whatever their log levels, as one line
        // of text each; an empty function keeps the default, a line on unideb. Called on
        // the thread that noticed; they must not use the store. Set before first use.
        struct Reports
        {
            // The notifier fell a whole change log behind and skipped changes.
            std::function<void(const std::string&)> overrun;
            // The segment in use was made anew; the store follows the new one.
            std::function<void(const std::string&)> madeAnew;
        };
        void setReports(Reports r);
        // How the segment this store used was made anew; "" while it is the store's.
        // A store that asked for sensors notices within kIdentityCheckMs; one that
        // did not, on isReady() or problem().
        std::string madeAnew() const;
        // Only a store removed and laid out again while its smemory was dead needs the
        // look (every other replacement wakes everyone at once), so it is rare: each look
        // is a wake-up of every idle program.
        static constexpr int kIdentityCheckMs = 1000;
        // The time (µs of wall time) and supplier of a sensor's last change, when known.
        bool lastChange(UniSetTypes::ObjectId id, int64_t& timeUs, UniSetTypes::ObjectId& supplier) const;

        // A notifier that finds an entry unfinished this long gives up on it.
        static constexpr int kGiveUpMs = 1000;

    private:
        struct Asked
        {
            bool asked = false;
            int64_t value = 0;
            uint64_t seq = 0;
        };

        // Where a sensor is: its slot, and whether it is digital, in 32 bits, so that a
        // write looks up one small entry before it goes to the segment.
        struct Where
        {
            uint32_t slot : 31;
            uint32_t digital : 1;
        };
        static constexpr uint32_t kNoSlot = (uint32_t(1) << 31) - 1;
        Where whereIs(UniSetTypes::ObjectId id) const;
        uint32_t indexOf(UniSetTypes::ObjectId id) const { return whereIs(id).slot; }
        // At most every kIdentityCheckMs: whether the segment's name now leads to another.
        void checkIdentity() const;
        // The segment, opened on first use; throws StoreError when it cannot be used.
        ShmSegment& segment() const;
        ShmSegment* trySegment() const;
        // Under deliverMutex: stops following sensor i once nobody here asks for it.
        void dropIfUnheard(uint32_t i);
        void notifierMain();
        // Delivers what the log holds from cursor on; false when it had to wait.
        bool deliverPending(ShmSegment& seg, std::unique_lock<std::mutex>& lk);
        void deliverChange(uint64_t seq, const ShmSegment::Change& c);
        void deliverCurrent(ShmSegment& seg, uint32_t index, bool logIt);
        void recoverFromOverrun(ShmSegment& seg);

        const std::string segName;
        const uint64_t fingerprint;
        std::vector<UniSetTypes::SensorDescription> sensors;
        std::vector<Where> denseIndex;   // by id, when ids are small; kNoSlot where none
        std::unordered_map<UniSetTypes::ObjectId, Where> sparseIndex;

        mutable std::mutex openMutex;
        mutable std::unique_ptr<ShmSegment> seg;
        mutable std::atomic<ShmSegment*> segPtr{nullptr};
        mutable std::vector<std::unique_ptr<ShmSegment>> retired;   // kept mapped: a thread may still read them
        mutable std::string lastProblem;
        mutable std::string madeAnewText;
        mutable std::atomic<int64_t> nextIdentityCheckMs{0};
        Reports reports;

        // The notifier's state, under deliverMutex.
        mutable std::mutex deliverMutex;
        std::condition_variable progress;
        std::vector<Asked> asked;
        size_t askedCount = 0;
        uint64_t cursor = 0;          // the next log entry to deliver
        ShmSegment* following = nullptr;   // the segment whose log is delivered; none while nothing is asked
        ShmSegment* sleepingOn = nullptr;  // the segment the notifier may sleep on
        int64_t pendingSinceMs = -1;  // when the entry at cursor was first found unfinished
        std::atomic<bool> stopping{false};   // also read by the notifier while it sleeps
        Subscribers subscribers;
        std::thread notifier;
        StoreListing listing{this};   // last: see StoreListing
    };
}
