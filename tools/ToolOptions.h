// The command line of the store's own tools (smemory, smctl): options they know,
// each with its value where it takes one, then the command words.
#pragma once

#include <set>
#include <string>
#include <vector>

namespace tools
{
    struct OptionTable
    {
        std::set<std::string> withValue;   // "--confile FILE" or "--confile=FILE"
        std::set<std::string> flags;       // "--reset"
    };

    // A command line that cannot be taken as written.
    struct CommandLineError
    {
        std::string text;
    };

    // The words that follow the options, in order. Throws CommandLineError for an
    // unknown option, an option whose value is missing, empty or another option, and
    // a flag given a value.
    std::vector<std::string> splitCommandLine(int argc, const char* const* argv, const OptionTable& table);
}
