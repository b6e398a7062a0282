#include "StoreBench.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "ShmSegment.h"
#include "Store.h"

namespace testing_support
{
    StoreBench::StoreBench(const std::string& prefix, const std::string& configText, const std::vector<std::string>& args)
        : storeName(uniqueStoreName(prefix))
    {
        dir.write("configure.xml", configText.empty() ? readFile(sourcePath("config/configure.xml")) : configText);
        common = {"--confile", dir.path("configure.xml"), "--store-name", storeName, "--logdir", dir.path("")};
        std::vector<std::string> all{"e2e"};
        all.insert(all.end(), common.begin(), common.end());
        all.insert(all.end(), args.begin(), args.end());
        std::vector<const char*> argv;
        for (const auto& a : all)
            argv.push_back(a.c_str());
        config = std::make_unique<UniSetTypes::Configuration>(static_cast<int>(argv.size()), argv.data());
        segmentName = uniset::ShmStore::segmentNameFor(*config);
    }

    StoreBench::~StoreBench()
    {
        if (installed)
        {
            uniset::setStore(nullptr);
            UniSetTypes::conf = nullptr;
        }
        shm.reset();
        uniset::ShmSegment::remove(segmentName);
    }

    std::unique_ptr<Program> StoreBench::start(const std::string& program, const std::vector<std::string>& extra)
    {
        auto args = common;
        args.insert(args.end(), extra.begin(), extra.end());
        const std::string name = program.substr(program.find('/') + 1);
        return std::make_unique<Program>(programPath(program), args, dir.path(name + ".out"));
    }

    std::unique_ptr<Program> StoreBench::startStore(const std::vector<std::string>& extra)
    {
        auto smemory = start("tools/smemory", extra);
        shm = openStore();
        EXPECT_TRUE(waitFor([&] { return shm->isReady(); }, std::chrono::seconds(30))) << smemory->output();
        return smemory;
    }

    std::unique_ptr<uniset::ShmStore> StoreBench::openStore() const
    {
        return std::make_unique<uniset::ShmStore>(config->getSensors(), segmentName);
    }

    void StoreBench::install()
    {
        UniSetTypes::conf = config.get();
        uniset::setStore(shm.get());
        installed = true;
    }

    RunResult StoreBench::smctl(const std::vector<std::string>& args) const
    {
        auto all = storeOptions();
        all.insert(all.end(), args.begin(), args.end());
        return runProgram(programPath("tools/smctl"), all);
    }

    void StoreBench::set(const std::string& name, long value) { shm->setValue(id(name), value, UniSetTypes::DefaultObjectId); }

    long StoreBench::get(const std::string& name) const { return shm->getValue(id(name)); }

    bool StoreBench::await(const std::string& name, long value, std::chrono::milliseconds bound)
    {
        return waitFor([&] { return shm->isReady() && get(name) == value; }, bound);
    }

    const std::vector<std::pair<UniSetTypes::ObjectId, long>>& SensorRecorder::history()
    {
        UniSetTypes::VoidMessage vm;
        while (receiveMessage(vm))
        {
            const UniSetTypes::SensorMessage sm(&vm);
            seen.emplace_back(sm.id, sm.value);
        }
        return seen;
    }

    std::vector<long> SensorRecorder::values(UniSetTypes::ObjectId id)
    {
        std::vector<long> out;
        for (const auto& [sid, v] : history())
            if (sid == id)
                out.push_back(v);
        return out;
    }

    bool SensorRecorder::heard(UniSetTypes::ObjectId id, long value, std::chrono::milliseconds bound)
    {
        return waitFor(
            [&] {
                const auto v = values(id);
                return std::find(v.begin(), v.end(), value) != v.end();
            },
            bound);
    }
}
