// The simulators' trace of their reactions on standard output: one line per call,
// whole even when the five objects' threads print at once.
#pragma once

#include <string>

namespace simulator
{
    // Writes text and a newline in one piece and flushes.
    void printLine(const std::string& text);
    // A bool as the trace shows it: 0 or 1.
    inline std::string flag(bool state) { return state ? "1" : "0"; }
}
