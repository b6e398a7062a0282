#include "MonitorWorld.h"

namespace monitors_test
{
    std::vector<long> writesOf(testing_support::TestWorld& world, const std::string& sensor)
    {
        const UniSetTypes::ObjectId id = world.id(sensor);
        std::vector<long> out;
        for (const auto& w : world.store().writes())
            if (w.id == id)
                out.push_back(w.value);
        return out;
    }

    LogCapture::LogCapture(DebugStream& s) : stream(s), saved(s)
    {
        stream.level(Debug::ANY);
        stream.logFile(dir.path("log.txt"));
    }

    LogCapture::~LogCapture() { stream = saved; }
}
