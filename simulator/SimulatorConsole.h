// The simulators' trace of their reactions on standard output: one line per call,
// whole even when the five objects' threads print at once.
#pragma once

#include <string>

namespace simulator
{
    // Writes text and a newline in one piece and flushes.
    void printLine(const std::string& text);
}
