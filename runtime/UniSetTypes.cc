#include "UniSetTypes.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace UniversalIO
{
    std::ostream& operator<<(std::ostream& os, IOTypes t)
    {
        return os << UniSetTypes::iotypeToText(t);
    }
}

namespace UniSetTypes
{
    UniversalIO::IOTypes getIOType(const std::string& text)
    {
        std::string s = text;
        std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
        if (s == "DI")
            return UniversalIO::DigitalInput;
        if (s == "DO")
            return UniversalIO::DigitalOutput;
        if (s == "AI")
            return UniversalIO::AnalogInput;
        if (s == "AO")
            return UniversalIO::AnalogOutput;
        return UniversalIO::UnknownIOType;
    }

    std::string iotypeToText(UniversalIO::IOTypes t)
    {
        switch (t)
        {
        case UniversalIO::DigitalInput: return "DI";
        case UniversalIO::DigitalOutput: return "DO";
        case UniversalIO::AnalogInput: return "AI";
        case UniversalIO::AnalogOutput: return "AO";
        default: return "UnknownIOType";
        }
    }

    bool parseWholeNumber(const std::string& text, long& value)
    {
        const char* begin = text.c_str();
        char* end = nullptr;
        errno = 0;
        const long v = std::strtol(begin, &end, 10);
        if (errno != 0 || end == begin || !std::isdigit(static_cast<unsigned char>(end[-1])))
            return false;
        while (*end == ' ' || *end == '\t')
            ++end;
        if (*end != '\0')
            return false;
        value = v;
        return true;
    }
}
