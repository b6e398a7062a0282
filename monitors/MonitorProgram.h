// What piltov and zarsen share of their start-up beyond the program start-up
// (ProgramMain.h, which also looks their objects up): the texts of their log, banner
// and failures.
#pragma once

#include <functional>
#include <string>

#include "ProgramMain.h"

namespace monitors
{
    struct ProgramInfo
    {
        std::string defaultLogName; // --logfile default, in the configuration's log directory
        std::string tag;            // "piltov": the prefix of a caught exception's log line
        std::string title;          // "Piltov": the banner's name
    };

    // The whole of a monitor program's main; returns its exit status.
    int runProgram(int argc, const char* const* argv, const ProgramInfo& info,
                   const std::function<bool(uniset::ProgramObjects&)>& build);
}
