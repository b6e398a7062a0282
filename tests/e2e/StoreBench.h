// A store run by a real smemory for end-to-end tests: a configuration file and a
// store name of its own, the programs started on it, and a handle on the store.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "Configuration.h"
#include "Process.h"
#include "ShmStore.h"
#include "TestSupport.h"
#include "UniSetObject.h"

namespace testing_support
{
    class StoreBench
    {
    public:
        // configText is the whole configuration document (empty: the sample one);
        // args are further options of this process's configuration.
        explicit StoreBench(const std::string& prefix, const std::string& configText = "",
                            const std::vector<std::string>& args = {});
        ~StoreBench();

        // --confile, --store-name and --logdir, as every program of the bench takes them.
        const std::vector<std::string>& options() const { return common; }
        // --confile and --store-name: what smctl takes.
        std::vector<std::string> storeOptions() const { return {common.begin(), common.begin() + 4}; }
        std::unique_ptr<Program> start(const std::string& program, const std::vector<std::string>& extra = {});
        // Starts smemory and opens the store once it is ready (a failed assertion otherwise).
        std::unique_ptr<Program> startStore(const std::vector<std::string>& extra = {});
        // Another handle on the same segment.
        std::unique_ptr<uniset::ShmStore> openStore() const;
        // Makes this configuration and store the ones in-process objects use.
        void install();
        RunResult smctl(const std::vector<std::string>& args) const;

        UniSetTypes::Configuration& cfg() { return *config; }
        uniset::ShmStore& store() { return *shm; }
        const std::string& segment() const { return segmentName; }

        UniSetTypes::ObjectId id(const std::string& name) const { return config->getSensorID(name); }
        void set(const std::string& name, long value);
        long get(const std::string& name) const;
        // Waits, with a bound generous enough for a loaded machine, for the sensor to hold the value.
        bool await(const std::string& name, long value, std::chrono::milliseconds bound = std::chrono::seconds(30));

        TempDir dir;

    private:
        std::string storeName;
        std::vector<std::string> common;
        std::unique_ptr<UniSetTypes::Configuration> config;
        std::string segmentName;
        std::unique_ptr<uniset::ShmStore> shm;
        bool installed = false;
    };

    // Keeps every change of the sensors it asked for, in order: a state held for a
    // moment is seen even when the test looks later.
    class SensorRecorder : public UniSetObject
    {
    public:
        // A notifier may be delivering while the test's scope ends: cut it off while
        // this object is still whole.
        ~SensorRecorder() override { cancelSubscriptions(); }

        std::vector<long> values(UniSetTypes::ObjectId id);
        // Waits, with a generous bound, until the sensor's change to the value has been
        // heard: delivery trails the store, so a value the store holds may not be here yet.
        bool heard(UniSetTypes::ObjectId id, long value, std::chrono::milliseconds bound = std::chrono::seconds(30));
        // Every change so far, of every sensor, in order.
        const std::vector<std::pair<UniSetTypes::ObjectId, long>>& history();

    private:
        std::vector<std::pair<UniSetTypes::ObjectId, long>> seen;
    };
}
