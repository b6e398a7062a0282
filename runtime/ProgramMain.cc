#include "ProgramMain.h"

#include <memory>

#include "DebugStream.h"
#include "ShmStore.h"

namespace UniSetTypes
{
    Configuration* uniset_init(int argc, const char* const* argv, const std::string& defaultConfile)
    {
        auto loaded = std::make_unique<Configuration>(argc, argv, defaultConfile);
        loaded->requireSensors();
        // The program's for the rest of its life.
        Configuration* c = loaded.release();
        conf = c;
        c->initDebug(unideb, "unideb");
        uniset::ShmStore::installForProgram(*c);
        return c;
    }
}
