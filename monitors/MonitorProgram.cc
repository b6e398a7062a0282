#include "MonitorProgram.h"

#include "Ravna.h"

namespace monitors
{
    int runProgram(int argc, const char* const* argv, const ProgramInfo& info,
                   const std::function<bool(uniset::ProgramObjects&)>& build)
    {
        uniset::ProgramDescription program;
        program.log = &Ravna::dlog;
        program.defaultLogName = info.defaultLogName;
        program.banner = info.title;
        program.failurePrefix = "(" + info.tag + "): ";
        program.unknownFailure = "(" + info.tag + "): catch(...)";
        program.build = build;
        return uniset::programMain(argc, argv, program);
    }
}
