// Helpers shared by the unit tests: a configuration made from text, the
// in-process store and the manual clock, installed for one test.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "Clock.h"
#include "Configuration.h"
#include "DebugStream.h"
#include "InProcessStore.h"
#include "UniSetObject.h"

namespace testing_support
{
    // A configuration document: <configure> around the given body.
    std::string configXml(const std::string& body);
    // The whole text of a file; when it cannot be read, an error, or "" when it need not exist.
    std::string readFile(const std::string& path, bool mustExist = true);
    // What stands inside <configure> of the sample configuration, for a TestWorld.
    std::string benchConfigurationBody();
    // How many times what occurs in text (a log, a program's output).
    size_t occurrences(const std::string& text, const std::string& what);
    // text with each edit's first occurrence replaced; a text not found fails the test,
    // naming what ("the bench configuration").
    using Edits = std::vector<std::pair<std::string, std::string>>;
    std::string edited(std::string text, const Edits& edits, const std::string& what);

    // conf, an in-process store over its sensors and a manual clock, for the life of the object.
    class TestWorld
    {
    public:
        explicit TestWorld(const std::string& body, std::vector<std::string> args = {});
        ~TestWorld();

        UniSetTypes::Configuration& cfg() { return *config; }
        uniset::InProcessStore& store() { return *memory; }
        uniset::ManualClock& clock() { return manual; }
        UniSetTypes::ObjectId id(const std::string& name) const;
        // A sensor by name, as the plant (or another program) writes and reads it.
        void set(const std::string& sensor, long value);
        long get(const std::string& sensor);
        // Every value written to the sensor, in order.
        std::vector<long> writesOf(const std::string& sensor) const;

    private:
        uniset::ManualClock manual;
        std::unique_ptr<UniSetTypes::Configuration> config;
        std::unique_ptr<uniset::InProcessStore> memory;
    };

    // Activated and handed the start-up message as the activator would, then one pass.
    void startUp(UniSetObject& obj);

    // Stands in front of another store and fails what it is told to.
    class FailingStore final : public uniset::Store
    {
    public:
        explicit FailingStore(uniset::Store& inner) : inner(inner) {}

        std::string name() const override { return "failing"; }
        bool isReady() const override { return inner.isReady(); }
        long getValue(UniSetTypes::ObjectId id) const override { return inner.getValue(id); }
        UniversalIO::IOTypes getIOType(UniSetTypes::ObjectId id) const override { return inner.getIOType(id); }
        void setValue(UniSetTypes::ObjectId id, long value, UniSetTypes::ObjectId supplier) override;
        void ask(UniSetTypes::ObjectId id, UniversalIO::UIOCommand cmd, UniSetObject* consumer) override;
        void forget(UniSetObject* consumer) override { inner.forget(consumer); }

        std::set<UniSetTypes::ObjectId> failWrites;
        std::set<UniSetTypes::ObjectId> failAsks;
        // How many asks of failAsks fail before they go through.
        int askFailuresLeft = 1000000;

    private:
        uniset::Store& inner;
    };

    // Installs a FailingStore over the world's store for the scope of a test.
    class ScopedFailingStore
    {
    public:
        explicit ScopedFailingStore(testing_support::TestWorld& world);
        ~ScopedFailingStore();
        FailingStore store;

    private:
        testing_support::TestWorld& world;
    };

    // Takes every queued message of obj.
    std::vector<UniSetTypes::VoidMessage> drain(UniSetObject& obj);

    // Another thread's writes, from start() for as long as the object lives: it flips
    // a digital sensor and counts its writes.
    class BusyWriter
    {
    public:
        BusyWriter(uniset::Store& store, UniSetTypes::ObjectId digitalSensor) : store(store), sensor(digitalSensor) {}
        ~BusyWriter();
        void start();
        const std::atomic<long>& writes() const { return count; }

    private:
        uniset::Store& store;
        const UniSetTypes::ObjectId sensor;
        std::atomic<long> count{0};
        std::atomic<bool> stop{false};
        std::thread thread;
    };

    // Counts the messages pushed into it once its destructor has begun. The
    // destructor lingers until the writer has written a while more, so that a store
    // still delivering to the object is caught at it.
    class LateDeliveryProbe : public UniSetObject
    {
    public:
        LateDeliveryProbe(const BusyWriter& writer, std::atomic<int>& late) : writer(writer), late(late) {}
        ~LateDeliveryProbe() override;
        void push(const UniSetTypes::TransportMessage& msg) override;

    private:
        const BusyWriter& writer;
        std::atomic<int>& late;
        std::atomic<bool> dying{false};
    };

    // Polls cond on the real clock until it holds or the bound passes.
    bool waitFor(const std::function<bool()>& cond, std::chrono::milliseconds bound = std::chrono::seconds(10));

    // A file under a fresh temporary directory, removed with the object.
    class TempDir
    {
    public:
        TempDir();
        ~TempDir();
        std::string path(const std::string& name) const { return dir + "/" + name; }
        void write(const std::string& name, const std::string& text) const;
        std::string read(const std::string& name) const;

    private:
        std::string dir;
    };

    // A log stream into a file at every level, for the scope of a test.
    class LogCapture
    {
    public:
        explicit LogCapture(DebugStream& stream = UniSetTypes::unideb);
        ~LogCapture();
        std::string text() const { return dir.read("log.txt"); }
        std::string file() const { return dir.path("log.txt"); }

    private:
        TempDir dir;
        DebugStream& stream;
        DebugStream saved;
    };
}
