// A program's end asked for from inside the runtime, when the program cannot go on
// (its store was made anew under it): the activator stops every object as a
// terminate signal would, and its run then throws, so that main says why and exits
// non-zero.
#pragma once

#include <string>

namespace uniset
{
    // Any thread may call it; the first reason is kept.
    void endProgram(const std::string& why);
    bool programEnding();
    // The reason, which is then forgotten ("" when none was given).
    std::string takeProgramEndReason();
    // A descriptor that polls readable while the end is asked for, so that a waiter
    // sleeps on it beside its other wake-ups instead of polling programEnding().
    // -1 when the system gave none (no descriptors left).
    int programEndDescriptor();
}
