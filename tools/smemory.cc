// smemory: owns the store of sensor values that the programs meet in. It lays the
// segment out from the configuration (or adopts the one a previous run left, with its
// values), marks it ready and stays up; on SIGTERM or SIGINT it marks it not ready.
#include <csignal>
#include <iostream>

#include "Configuration.h"
#include "Exceptions.h"
#include "ShmSegment.h"
#include "ShmStore.h"
#include "Signals.h"
#include "ToolOptions.h"

namespace
{
    const char* const kUsage =
        "usage: smemory [--confile FILE] [--smemory-id NAME] [--store-name NAME] [--reset] [--store-group] "
        "[--logdir DIR] [--unideb-levels LIST] [--unideb-logfile FILE]";
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
        seg->takeOwnership();
        seg->setState(uniset::shm::State::Ready);
        std::cout << "smemory: store '" << name << "' ready: " << seg->sensorCount() << " sensors, "
                  << (adopted ? "values kept from the last run" : "default values") << std::endl;

        const sigset_t set = uniset::stopSignals();
        // Looks as often as the programs whether its segment is still the store's.
        constexpr int periodMs = uniset::ShmStore::kIdentityCheckMs;
        const timespec period{periodMs / 1000, (periodMs % 1000) * 1000000L};
        while (sigtimedwait(&set, nullptr, &period) < 0)
        {
            // Removed and made anew by someone else: the programs have left this one.
            if (seg->retireIfMadeAnew())
            {
                std::cerr << "smemory: store '" << name
                          << "' was made anew by someone else: this smemory no longer serves it" << std::endl;
                return 1;
            }
        }
        seg->setState(uniset::shm::State::Stopped);
        seg->releaseOwnership();
        std::cout << "smemory: store '" << name << "' stopped (values kept)" << std::endl;
        return 0;
    }
    catch (const UniSetTypes::Exception& ex)
    {
        std::cerr << "smemory: " << ex.text << std::endl;
        return 1;
    }
}
