// smemory: owns the store of sensor values that the programs meet in. It lays the
// segment out from the configuration (or adopts the one a previous run left, with its
// values), marks it ready and stays up; on SIGTERM or SIGINT it marks it not ready.
#include <csignal>
#include <iostream>
#include <unistd.h>

#include "Configuration.h"
#include "Exceptions.h"
#include "ObjectsActivator.h"
#include "ShmSegment.h"
#include "ShmStore.h"
#include "ToolOptions.h"

namespace
{
    const char* const kUsage =
        "usage: smemory [--confile FILE] [--smemory-id NAME] [--store-name NAME] [--reset] [--store-group] "
        "[--logdir DIR] [--unideb-levels LIST] [--unideb-logfile FILE]";

    bool alive(pid_t pid) { return pid > 0 && (kill(pid, 0) == 0 || errno == EPERM); }

    // The segment is this process's until it stops; a second smemory on it is refused.
    void takeOwnership(uniset::ShmSegment& seg)
    {
        auto& owner = seg.header().ownerPid;
        int32_t seen = owner.load();
        for (;;)
        {
            if (seen != 0 && seen != getpid() && alive(seen))
                throw UniSetTypes::StoreError("(store): '" + seg.name() + "' is already run by smemory pid " +
                                              std::to_string(seen));
            if (owner.compare_exchange_weak(seen, getpid()))
                return;
        }
    }
}

int main(int argc, char** argv)
{
    uniset::blockTerminationSignals();
    for (int i = 1; i < argc; ++i)
    {
        if (std::string(argv[i]) == "--help")
        {
            std::cout << kUsage << std::endl;
            return 0;
        }
    }
    try
    {
        const auto words = tools::splitCommandLine(
            argc, argv,
            {{"--confile", "--smemory-id", "--store-name", "--logdir", "--unideb-levels", "--unideb-logfile"},
             {"--reset", "--store-group"}});
        if (!words.empty())
            throw tools::CommandLineError{"unexpected argument '" + words.front() + "'"};
    }
    catch (const tools::CommandLineError& e)
    {
        std::cerr << "smemory: " << e.text << " (see smemory --help)" << std::endl;
        return 1;
    }
    try
    {
        UniSetTypes::Configuration cfg(argc, argv);
        cfg.requireSensors();
        cfg.initDebug(UniSetTypes::unideb, "unideb");
        const std::string name = uniset::ShmStore::segmentNameFor(cfg);
        uniset::ShmSegment::CreateOptions options;
        options.reset = cfg.hasArg("--reset");
        options.groupAccess = cfg.hasArg("--store-group");
        bool adopted = false;
        auto seg = uniset::ShmSegment::create(name, cfg.getSensors(), options, adopted);
        takeOwnership(*seg);
        seg->setState(uniset::shm::State::Ready);
        std::cout << "smemory: store '" << name << "' ready: " << seg->sensorCount() << " sensors, "
                  << (adopted ? "values kept from the last run" : "default values") << std::endl;

        const sigset_t set = uniset::stopSignals();
        int sig = 0;
        while (sigwait(&set, &sig) != 0)
        {
        }
        seg->setState(uniset::shm::State::Stopped);
        int32_t mine = getpid();
        seg->header().ownerPid.compare_exchange_strong(mine, 0);
        std::cout << "smemory: store '" << name << "' stopped (values kept)" << std::endl;
        return 0;
    }
    catch (const UniSetTypes::Exception& ex)
    {
        std::cerr << "smemory: " << ex.text << std::endl;
        return 1;
    }
}
