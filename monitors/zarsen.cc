// zarsen: the emergency set's state object, on ids fixed in the program.
#include <memory>

#include "ADGState.h"
#include "MonitorProgram.h"

namespace
{
    bool build(uniset::ProgramObjects& objects)
    {
        UniSetTypes::ObjectId id = UniSetTypes::DefaultObjectId;
        xmlNode* node = uniset::lookupObjectNode("ADGState", id);
        if (!node)
            return false;
        objects.add(std::make_unique<ADGState>(id, node));
        return true;
    }
}

int main(int argc, char** argv)
{
    // Its own log file: sharing piltov's would have two programs write and rotate one file.
    return monitors::runProgram(argc, argv, {"zarsen.log", "adgstate", "ADGState"}, build);
}
