// piltov: the breaker state objects of the four auxiliary sets and of QGA, the
// four set state objects, each bound to its breaker's, and a switchboard watcher.
#include <array>
#include <memory>
#include <string>

#include "AState.h"
#include "MonitorProgram.h"
#include "Ravna.h"
#include "Switchboard.h"
#include "VDGState.h"

namespace
{
    const std::array<const char*, 5> breakerNames = {"QG1StateLogic", "QG2StateLogic", "QG3StateLogic",
                                                     "QG4StateLogic", "QGAStateLogic"};
    // Set n is bound to breaker n; QGA has no set of its own here.
    const std::array<const char*, 4> setNames = {"VDG1StateLogic", "VDG2StateLogic", "VDG3StateLogic",
                                                 "VDG4StateLogic"};

    bool build(uniset::ProgramObjects& objects)
    {
        AState::initLog(Ravna::dlog);
        VDGState::initLog(Ravna::dlog);
        Switchboard::initLog(Ravna::dlog);

        UniSetTypes::ObjectId id = UniSetTypes::DefaultObjectId;
        std::array<AState*, breakerNames.size()> breakers{};
        for (size_t i = 0; i < breakerNames.size(); ++i)
        {
            xmlNode* node = uniset::lookupObjectNode(breakerNames[i], id);
            if (!node)
                return false;
            breakers[i] = objects.add(std::make_unique<AState>(id, node));
        }
        for (size_t i = 0; i < setNames.size(); ++i)
        {
            xmlNode* node = uniset::lookupObjectNode(setNames[i], id);
            if (!node)
                return false;
            objects.add(std::make_unique<VDGState>(id, node, breakers[i]));
        }
        // The watcher finds its id by its name; the lookup only proves the name is known.
        xmlNode* node = uniset::lookupObjectNode("GRS", id);
        if (!node)
            return false;
        objects.add(std::make_unique<Switchboard>("GRS", node));
        return true;
    }
}

int main(int argc, char** argv)
{
    return monitors::runProgram(argc, argv, {"piltov.log", "piltov", "Piltov"}, build);
}
