// The runtime's units (a header with its source) in layers that point one way:
// core, then configuration, then stores, then program start-up. A unit includes
// only units of its own layer or below, and no units include each other in a circle.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>

#include "Process.h"
#include "TestSupport.h"

namespace
{
    enum Layer
    {
        core,
        configuration,
        stores,
        program
    };

    const std::map<std::string, Layer> kLayers = {
        {"Clock", core},
        {"DebugStream", core},
        {"Directory", core},
        {"Exceptions", core},
        {"LT_Object", core},
        {"MessageType", core},
        {"Mutex", core},
        {"ObjectRegistry", core},
        {"ObjectsActivator", core},
        {"ObjectsManager", core},
        {"PassiveTimer", core},
        {"ProgramEnd", core},
        {"Signals", core},
        {"Store", core},
        {"TimedMutex", core},
        {"UniSetObject", core},
        {"UniSetTypes", core},
        {"UniversalInterface", core},
        {"Calibration", configuration},
        {"Configuration", configuration},
        {"UniXML", configuration},
        {"InProcessStore", stores},
        {"ShmLayout", stores},
        {"ShmSegment", stores},
        {"ShmStore", stores},
        {"Subscribers", stores},
        {"ProgramMain", program},
    };

    // The units a file includes by name: #include "Unit.h".
    std::set<std::string> includedUnits(const std::string& text)
    {
        const std::string mark = "#include \"";
        std::set<std::string> units;
        for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + 1))
        {
            const size_t begin = at + mark.size();
            const size_t end = text.find(".h\"", begin);
            if (end != std::string::npos && text.find('\n', begin) > end)
                units.insert(text.substr(begin, end - begin));
        }
        return units;
    }

    // Unit -> the runtime units its header and source include.
    std::map<std::string, std::set<std::string>> includesOfUnits()
    {
        std::map<std::string, std::set<std::string>> graph;
        for (const auto& entry : std::filesystem::directory_iterator(testing_support::sourcePath("runtime")))
        {
            const auto ext = entry.path().extension();
            if (ext != ".h" && ext != ".cc")
                continue;
            const std::string unit = entry.path().stem();
            auto& uses = graph[unit];
            for (const std::string& used : includedUnits(testing_support::readFile(entry.path())))
                if (used != unit)
                    uses.insert(used);
        }
        return graph;
    }
}

TEST(RuntimeLayers, EveryUnitHasALayerAndIncludesNothingAboveIt)
{
    const auto graph = includesOfUnits();
    for (const auto& [unit, uses] : graph)
    {
        ASSERT_TRUE(kLayers.count(unit)) << "runtime/" << unit << " belongs to no layer of this test";
        for (const std::string& used : uses)
        {
            ASSERT_TRUE(graph.count(used)) << unit << " includes " << used << ".h, which is not in runtime/";
            EXPECT_LE(kLayers.at(used), kLayers.at(unit)) << unit << " includes " << used << ".h of a layer above it";
        }
    }
}

TEST(RuntimeLayers, NoUnitsIncludeEachOtherInACircle)
{
    const auto graph = includesOfUnits();
    std::map<std::string, int> state;   // 1 on the current path, 2 done
    std::vector<std::string> path;
    std::function<void(const std::string&)> visit = [&](const std::string& unit) {
        state[unit] = 1;
        path.push_back(unit);
        for (const std::string& used : graph.at(unit))
        {
            if (state[used] == 1)
            {
                std::string circle;
                for (auto it = std::find(path.begin(), path.end(), used); it != path.end(); ++it)
                    circle += *it + " -> ";
                ADD_FAILURE() << "a circle: " << circle << used;
            }
            else if (state[used] == 0 && graph.count(used))
                visit(used);
        }
        path.pop_back();
        state[unit] = 2;
    };
    for (const auto& [unit, uses] : graph)
        if (state[unit] == 0)
            visit(unit);
}
