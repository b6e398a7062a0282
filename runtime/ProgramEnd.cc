#include "ProgramEnd.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <sys/eventfd.h>
#include <unistd.h>
#include <utility>

namespace uniset
{
    namespace
    {
        std::mutex reasonMutex;
        std::string reason;
        std::atomic<bool> ending{false};
    }

    int programEndDescriptor()
    {
        // Readable exactly while ending is set: both change under reasonMutex.
        static const int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        return fd;
    }

    void endProgram(const std::string& why)
    {
        std::lock_guard<std::mutex> lk(reasonMutex);
        if (ending.load())
            return;
        reason = why;
        ending.store(true);
        const uint64_t one = 1;
        if (programEndDescriptor() >= 0)
            (void)!write(programEndDescriptor(), &one, sizeof one);
    }

    bool programEnding() { return ending.load(); }

    std::string takeProgramEndReason()
    {
        std::lock_guard<std::mutex> lk(reasonMutex);
        if (ending.exchange(false) && programEndDescriptor() >= 0)
        {
            uint64_t count = 0;
            (void)!read(programEndDescriptor(), &count, sizeof count);
        }
        return std::exchange(reason, std::string());
    }
}
