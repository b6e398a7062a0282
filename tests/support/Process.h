// Real programs for end-to-end tests: started with arguments, their output kept
// in a file, stopped with a signal and waited for with a bound.
#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace testing_support
{
    // The build folder's path of a program ("tools/smemory"), from RAVNA_BUILD_DIR.
    std::string programPath(const std::string& relative);
    // The source folder's path of a file ("config/configure.xml"), from RAVNA_SOURCE_DIR.
    std::string sourcePath(const std::string& relative);
    // A store name no other test run uses.
    std::string uniqueStoreName(const std::string& prefix = "test");

    class Program
    {
    public:
        // Starts path with args; standard output and error go to outputFile.
        Program(const std::string& path, const std::vector<std::string>& args, const std::string& outputFile);
        ~Program();   // kills the program if it still runs
        Program(const Program&) = delete;
        Program& operator=(const Program&) = delete;

        pid_t pid() const { return child; }
        bool running();
        void signal(int signo);
        // Waits for the program to end; its exit status (128 + signal when killed), or -1 at the bound.
        int wait(std::chrono::milliseconds bound = std::chrono::seconds(20));
        // SIGTERM, then wait; SIGKILL when it does not end within the bound.
        int stop(std::chrono::milliseconds bound = std::chrono::seconds(20));
        std::string output() const;

    private:
        pid_t child = -1;
        int status = -1;
        bool ended = false;
        std::string outFile;
    };

    // Runs a program to its end: exit status and output.
    struct RunResult
    {
        int status;
        std::string output;
    };
    RunResult runProgram(const std::string& path, const std::vector<std::string>& args,
                         std::chrono::milliseconds bound = std::chrono::seconds(20));
}
