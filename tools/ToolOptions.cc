#include "ToolOptions.h"

namespace tools
{
    std::vector<std::string> splitCommandLine(int argc, const char* const* argv, const OptionTable& table)
    {
        std::vector<std::string> words;
        for (int i = 1; i < argc; ++i)
        {
            const std::string a = argv[i];
            if (!words.empty() || a.rfind("--", 0) != 0)
            {
                words.push_back(a);
                continue;
            }
            const auto eq = a.find('=');
            const std::string opt = a.substr(0, eq);
            if (table.flags.count(opt))
            {
                if (eq != std::string::npos)
                    throw CommandLineError{"option '" + opt + "' takes no value"};
                continue;
            }
            if (!table.withValue.count(opt))
                throw CommandLineError{"unknown option '" + a + "'"};
            const std::string value = eq != std::string::npos ? a.substr(eq + 1) : (i + 1 < argc ? argv[++i] : "");
            if (value.empty() || value.rfind("--", 0) == 0)
                throw CommandLineError{"option '" + opt + "' needs a value"};
        }
        return words;
    }
}
