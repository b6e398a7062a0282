#include "TimedMutex.h"

namespace uniset
{
    void TimedMutex::lock()
    {
        std::unique_lock<std::mutex> lk(m);
        cv.wait(lk, [this] { return !locked; });
        locked = true;
    }

    bool TimedMutex::try_lock()
    {
        std::lock_guard<std::mutex> lk(m);
        if (locked)
            return false;
        locked = true;
        return true;
    }

    bool TimedMutex::try_lock_for(std::chrono::milliseconds d)
    {
        std::unique_lock<std::mutex> lk(m);
        if (!cv.wait_for(lk, d, [this] { return !locked; }))
            return false;
        locked = true;
        return true;
    }

    void TimedMutex::unlock()
    {
        {
            std::lock_guard<std::mutex> lk(m);
            locked = false;
        }
        cv.notify_one();
    }
}
