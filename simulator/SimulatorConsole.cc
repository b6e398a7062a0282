#include "SimulatorConsole.h"

#include <iostream>
#include <mutex>

namespace simulator
{
    void printLine(const std::string& text)
    {
        static std::mutex mtx;
        std::lock_guard<std::mutex> lk(mtx);
        std::cout << text << std::endl;
    }
}
