#include "ProgramEnd.h"

#include <atomic>
#include <mutex>
#include <utility>

namespace uniset
{
    namespace
    {
        std::mutex reasonMutex;
        std::string reason;
        std::atomic<bool> ending{false};
    }

    void endProgram(const std::string& why)
    {
        std::lock_guard<std::mutex> lk(reasonMutex);
        if (!ending.load())
            reason = why;
        ending.store(true);
    }

    bool programEnding() { return ending.load(); }

    std::string takeProgramEndReason()
    {
        std::lock_guard<std::mutex> lk(reasonMutex);
        ending.store(false);
        return std::exchange(reason, std::string());
    }
}
