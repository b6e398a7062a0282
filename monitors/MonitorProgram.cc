#include "MonitorProgram.h"

#include <iostream>

#include "Configuration.h"
#include "Ravna.h"

using namespace UniSetTypes;

namespace monitors
{
    xmlNode* lookupObjectNode(const std::string& name, ObjectId& id)
    {
        id = conf->getObjectID(name);
        if (id == DefaultObjectId)
        {
            std::cerr << "(main): идентификатор '" << name << "' не найден в конф. файле!" << std::flush;
            return nullptr;
        }
        xmlNode* node = conf->getNode(name);
        if (!node)
            std::cerr << "(main): xmlnode '" << name << "' не найден в конф. файле!" << std::flush;
        return node;
    }

    int runProgram(int argc, const char* const* argv, const ProgramInfo& info,
                   const std::function<bool(uniset::ProgramObjects&)>& build)
    {
        uniset::ProgramSpec spec;
        spec.log = &Ravna::dlog;
        spec.defaultLogName = info.defaultLogName;
        spec.banner = info.title;
        spec.failurePrefix = "(" + info.tag + "): ";
        spec.unknownFailure = "(" + info.tag + "): catch(...)";
        spec.build = build;
        return uniset::programMain(argc, argv, spec);
    }
}
