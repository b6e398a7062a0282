#include "MonitorProgram.h"

#include "Ravna.h"

namespace monitors
{
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
