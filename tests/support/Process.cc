#include "Process.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "TestSupport.h"

namespace testing_support
{
    namespace
    {
        std::string envOr(const char* name, const char* fallback)
        {
            const char* v = std::getenv(name);
            return v && *v ? v : fallback;
        }
    }

    std::string programPath(const std::string& relative)
    {
        return envOr("RAVNA_BUILD_DIR", RAVNA_BUILD_DIR_DEFAULT) + "/" + relative;
    }

    std::string sourcePath(const std::string& relative)
    {
        return envOr("RAVNA_SOURCE_DIR", RAVNA_SOURCE_DIR_DEFAULT) + "/" + relative;
    }

    std::string uniqueStoreName(const std::string& prefix)
    {
        static std::atomic<int> counter{0};
        return prefix + "-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
    }

    Program::Program(const std::string& path, const std::vector<std::string>& args, const std::string& outputFile)
        : outFile(outputFile)
    {
        std::vector<std::string> all{path};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);

        child = fork();
        if (child < 0)
            throw std::runtime_error("fork failed");
        if (child == 0)
        {
            // The test process blocks termination signals for its activators; the program must not inherit that.
            sigset_t none;
            sigemptyset(&none);
            sigprocmask(SIG_SETMASK, &none, nullptr);
            const int fd = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (fd >= 0)
            {
                dup2(fd, 1);
                dup2(fd, 2);
                ::close(fd);
            }
            execv(path.c_str(), argv.data());
            _exit(127);
        }
    }

    Program::~Program()
    {
        if (child > 0 && !ended)
        {
            ::kill(child, SIGKILL);
            wait(std::chrono::seconds(10));
        }
    }

    bool Program::running()
    {
        if (ended)
            return false;
        return wait(std::chrono::milliseconds(0)) == -1;
    }

    void Program::signal(int signo)
    {
        if (!ended)
            ::kill(child, signo);
    }

    int Program::wait(std::chrono::milliseconds bound)
    {
        if (ended)
            return status;
        const auto end = std::chrono::steady_clock::now() + bound;
        while (true)
        {
            int st = 0;
            const pid_t r = waitpid(child, &st, WNOHANG);
            if (r == child)
            {
                ended = true;
                status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
                return status;
            }
            if (std::chrono::steady_clock::now() >= end)
                return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    int Program::stop(std::chrono::milliseconds bound)
    {
        signal(SIGTERM);
        const int st = wait(bound);
        if (st != -1)
            return st;
        signal(SIGKILL);
        return wait(std::chrono::seconds(10));
    }

    std::string Program::output() const { return readFile(outFile, false); }

    RunResult runProgram(const std::string& path, const std::vector<std::string>& args, std::chrono::milliseconds bound)
    {
        TempDir dir;
        Program p(path, args, dir.path("out.txt"));
        int st = p.wait(bound);
        if (st == -1)
            st = p.stop();
        return RunResult{st, p.output()};
    }
}
