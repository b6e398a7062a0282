// Basic identifiers and enumerations shared by every process object.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

namespace UniSetTypes
{
    using ObjectId = long;
    using TimerId = int;
    constexpr ObjectId DefaultObjectId = -1;
    constexpr int TimeoutInfinity = -1;
}

namespace UniversalIO
{
    enum IOTypes
    {
        UnknownIOType = 0,
        DigitalInput = 1,
        DigitalOutput = 2,
        AnalogInput = 3,
        AnalogOutput = 4
    };

    enum UIOCommand
    {
        UIONotify = 0,
        UIODontNotify = 1
    };

    std::ostream& operator<<(std::ostream& os, IOTypes t);

    inline bool isDigital(IOTypes t) { return t == DigitalInput || t == DigitalOutput; }
    inline bool isAnalog(IOTypes t) { return t == AnalogInput || t == AnalogOutput; }
}

namespace UniSetTypes
{
    // "DI", "DO", "AI", "AO" (case-insensitive); anything else is UnknownIOType.
    UniversalIO::IOTypes getIOType(const std::string& text);
    // The short form used in configuration files: "DI", "DO", "AI", "AO" or "UnknownIOType".
    std::string iotypeToText(UniversalIO::IOTypes t);
    // A decimal whole number: an optional sign and digits, blanks around them allowed.
    // False for anything else ("soon", "5.5", "0x10", "") and beyond the range of long.
    bool parseWholeNumber(const std::string& text, long& value);
}
