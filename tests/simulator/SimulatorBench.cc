#include "SimulatorBench.h"

#include <algorithm>
#include <gtest/gtest.h>

#include "MessageType.h"
#include "Process.h"

using namespace std::chrono_literals;

namespace simtest
{
    namespace
    {
        std::string readFile(const std::string& name)
        {
            return testing_support::readFile(testing_support::sourcePath("config/" + name));
        }

        const std::array<std::string, 4> stationTags = {"SEES1Imitator", "SEES2Imitator", "SEES3Imitator",
                                                        "SEES4Imitator"};

        using Simulator = ravna::ProcessSkeleton<UniSetObject>;

        std::vector<Simulator*> objects(GRSHImitator& grsh, std::array<std::unique_ptr<Mendra>, 4>& stations)
        {
            std::vector<Simulator*> all{&grsh};
            for (auto& s : stations)
                all.push_back(s.get());
            return all;
        }
    }

    std::string sampleConfigBody()
    {
        const std::string text = readFile("configure.xml");
        const auto begin = text.find("<configure>");
        const auto end = text.rfind("</configure>");
        if (begin == std::string::npos || end == std::string::npos)
            throw std::runtime_error("config/configure.xml has no <configure> element");
        return text.substr(begin + 11, end - begin - 11);
    }

    std::string sampleSimulatorFile() { return readFile("mendra.src.xml"); }

    std::string edited(std::string text, const std::string& from, const std::string& to)
    {
        size_t pos = text.find(from);
        EXPECT_NE(pos, std::string::npos) << "no '" << from << "' to edit";
        while (pos != std::string::npos)
        {
            text.replace(pos, from.size(), to);
            pos = text.find(from, pos + to.size());
        }
        return text;
    }

    xmlNode* section(const UniXML& doc, const std::string& tag) { return doc.findNode(doc.getFirstNode()->children, tag); }

    SimulatorWorld::SimulatorWorld(const std::string& simulatorText, std::vector<std::string> args)
        : w(sampleConfigBody(), [&] {
              // No sleep between passes: time moves only when a test moves it.
              std::vector<std::string> all{"test", "--sleep-msec", "0"};
              all.insert(all.end(), args.begin(), args.end());
              return all;
          }())
    {
        doc.openFromString(simulatorText, "mendra.src.xml");
    }

    Bench::Bench()
    {
        grsh = std::make_unique<GRSHImitator>("GRSHImitator", sim.section("GRSHImitator"));
        for (size_t i = 0; i < stations.size(); ++i)
            stations[i] = std::make_unique<Mendra>(stationTags[i], sim.section(stationTags[i]));
        for (Simulator* o : objects(*grsh, stations))
        {
            o->activateObject();
            o->push(UniSetTypes::SystemMessage(UniSetTypes::SystemMessage::StartUp).transport());
        }
        settle();
        sim.world().store().clearWrites();
    }

    Bench::~Bench() = default;

    void Bench::settle()
    {
        // Every object takes at least one pass (timers are checked there); then more while
        // any queue holds a message, as the objects answer one another through the store.
        for (int round = 0; round < 100; ++round)
        {
            const auto all = objects(*grsh, stations);
            for (Simulator* o : all)
                o->callback();
            // A stopped object's queue only grows.
            if (std::none_of(all.begin(), all.end(), [](Simulator* o) { return o->active && o->countMessages() > 0; }))
                return;
        }
        ADD_FAILURE() << "the simulators never settled";
    }

    void Bench::run(std::chrono::milliseconds d)
    {
        for (auto done = 0ms; done < d; done += 10ms)
        {
            sim.world().clock().advance(std::min(10ms, d - done));
            settle();
        }
    }

    void Bench::passTime(std::chrono::milliseconds d) { sim.world().clock().advance(d); }

    void Bench::set(const std::string& sensor, long value)
    {
        sim.world().store().setValue(sim.world().id(sensor), value, UniSetTypes::DefaultObjectId);
        settle();
    }

    long Bench::get(const std::string& sensor) { return sim.world().store().getValue(sim.world().id(sensor)); }

    void Bench::command(const std::string& sensor)
    {
        set(sensor, 0);
        set(sensor, 1);
    }

    std::vector<long> Bench::written(const std::string& sensor)
    {
        const auto id = sim.world().id(sensor);
        std::vector<long> out;
        for (const auto& wr : sim.world().store().writes())
            if (wr.id == id)
                out.push_back(wr.value);
        return out;
    }

    void Bench::startSet(size_t n)
    {
        const std::string p = "SES" + std::to_string(n) + "_";
        command(p + "DG_Start_C");
        run(3000ms + 1200ms);
        EXPECT_EQ(get(p + "sees_state_as"), 9) << "station " << n << " did not come up";
    }

    void Bench::closeBreaker(size_t n)
    {
        startSet(n);
        const std::string p = "SES" + std::to_string(n) + "_";
        command(p + "QG_On_C");
        run(600ms);
        EXPECT_EQ(get(p + "sees_state_as"), 1) << "station " << n << " did not close its breaker";
    }
}
