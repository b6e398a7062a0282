// smctl: looks at and sets sensors of a running store, for the test bench.
//   smctl [--confile FILE] [--smemory-id NAME] [--store-name NAME] COMMAND
//   get SENSOR...  |  set SENSOR=VALUE...  |  watch SENSOR...  |  list
// SENSOR is a name or an id. Exit 0 on success, 1 on a bad request (usage, unknown
// sensor, bad value, configuration file), 2 when the store is missing, not ready or
// of another configuration, or (watch) was made anew.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>

#include "Configuration.h"
#include "Exceptions.h"
#include "ShmStore.h"
#include "Signals.h"
#include "ToolOptions.h"
#include "UniSetObject.h"

using namespace UniSetTypes;

namespace
{
    const char* const kUsage = "usage: smctl [--confile FILE] [--smemory-id NAME] [--store-name NAME] "
                               "get SENSOR... | set SENSOR=VALUE... | watch SENSOR... | list";

    // A request that cannot be carried out as written.
    struct BadRequest
    {
        std::string text;
        bool showUsage = false;
    };
    // The store cannot be used.
    struct StoreDown
    {
        std::string text;
    };

    struct Sensor
    {
        const SensorDescription* d;
    };

    Sensor resolve(const Configuration& cfg, const std::string& text)
    {
        const SensorDescription* d = nullptr;
        if (!text.empty() && text.find_first_not_of("0123456789") == std::string::npos)
        {
            errno = 0;
            const long id = std::strtol(text.c_str(), nullptr, 10);
            if (errno == 0)
                d = cfg.getSensor(id);
        }
        else
            d = cfg.getSensor(cfg.getSensorID(text));
        if (!d)
            throw BadRequest{"unknown sensor '" + text + "'"};
        return Sensor{d};
    }

    long parseValue(const Sensor& s, const std::string& text)
    {
        char* end = nullptr;
        errno = 0;
        const long v = std::strtol(text.c_str(), &end, 10);
        if (text.empty() || errno != 0 || *end != '\0')
            throw BadRequest{"bad value '" + text + "' for " + s.d->name + ": not a whole number"};
        if (UniversalIO::isDigital(s.d->iotype) && v != 0 && v != 1)
            throw BadRequest{"bad value '" + text + "' for " + s.d->name + ": a digital sensor takes 0 or 1"};
        return v;
    }

    // Splits the command line into the options (kept for the configuration) and the command words.
    std::vector<std::string> commandWords(int argc, char** argv)
    {
        std::vector<std::string> words;
        try
        {
            words = tools::splitCommandLine(argc, argv, {{"--confile", "--smemory-id", "--store-name"}, {}});
        }
        catch (const tools::CommandLineError& e)
        {
            throw BadRequest{e.text, true};
        }
        if (words.empty())
            throw BadRequest{"no command", true};
        return words;
    }

    void requireReady(const uniset::ShmStore& store)
    {
        if (!store.isReady())
            throw StoreDown{store.problem()};
    }

    std::string timeText(int64_t sec, int64_t usec)
    {
        const time_t t = static_cast<time_t>(sec);
        tm lt{};
        localtime_r(&t, &lt);
        char buf[64];
        const size_t n = strftime(buf, sizeof(buf), "%Y-%m-%dT%H:%M:%S", &lt);
        std::snprintf(buf + n, sizeof(buf) - n, ".%06ld", static_cast<long>(usec));
        return buf;
    }

    bool terminationAsked()
    {
        const sigset_t set = uniset::stopSignals();
        const timespec none{0, 0};
        return sigtimedwait(&set, nullptr, &none) > 0;
    }

    int run(const Configuration& cfg, const std::vector<std::string>& words)
    {
        const std::string& cmd = words[0];
        const std::vector<std::string> args(words.begin() + 1, words.end());
        if (cmd == "list")
        {
            if (!args.empty())
                throw BadRequest{"list takes no sensors", true};
        }
        else if (cmd != "get" && cmd != "set" && cmd != "watch")
            throw BadRequest{"unknown command '" + cmd + "'", true};
        else if (args.empty())
            throw BadRequest{cmd + " needs at least one sensor", true};

        // Every operand is checked before the store is touched: nothing half done.
        std::vector<std::pair<Sensor, long>> operands;
        for (const auto& a : args)
        {
            if (cmd != "set")
            {
                operands.emplace_back(resolve(cfg, a), 0);
                continue;
            }
            const auto eq = a.find('=');
            if (eq == std::string::npos)
                throw BadRequest{"'" + a + "' is not SENSOR=VALUE"};
            const Sensor s = resolve(cfg, a.substr(0, eq));
            operands.emplace_back(s, parseValue(s, a.substr(eq + 1)));
        }

        uniset::ShmStore store(cfg.getSensors(), uniset::ShmStore::segmentNameFor(cfg));
        store.setReports({[](const std::string& text) { std::cerr << "smctl: " + text + "\n" << std::flush; },
                          [](const std::string&) {}});
        requireReady(store);
        if (cmd == "list")
        {
            for (const auto& d : cfg.getSensors())
                std::cout << d.id << ' ' << d.name << ' ' << iotypeToText(d.iotype) << ' ' << store.getValue(d.id) << '\n';
        }
        else if (cmd == "get")
        {
            for (const auto& [s, v] : operands)
                std::cout << s.d->name << '=' << store.getValue(s.d->id) << '\n';
        }
        else if (cmd == "set")
        {
            for (const auto& [s, v] : operands)
                store.setValue(s.d->id, v, DefaultObjectId);
        }
        else
        {
            UniSetObject watcher;
            for (const auto& [s, v] : operands)
                store.ask(s.d->id, UniversalIO::UIONotify, &watcher);
            VoidMessage vm;
            while (!terminationAsked())
            {
                const bool got = watcher.waitMessage(vm, 50);
                // Values of a new segment are not the ones watched so far: watch ends,
                // before it prints anything of the new one.
                const std::string gone = store.madeAnew();
                if (!gone.empty())
                    throw StoreDown{gone + ": watch ends"};
                if (!got)
                    continue;
                SensorMessage sm(&vm);
                std::cout << timeText(sm.sm_tv_sec, sm.sm_tv_usec) << ' ' << cfg.getNameById(sm.id) << '=' << sm.value
                          << std::endl;
            }
            store.forget(&watcher);
        }
        std::cout.flush();
        return 0;
    }
}

int main(int argc, char** argv)
{
    // Every thread started from here on leaves SIGINT and SIGTERM to watch's loop.
    uniset::blockTerminationSignals();
    if (argc == 2 && std::string(argv[1]) == "--help")
    {
        std::cout << kUsage << std::endl;
        return 0;
    }
    try
    {
        const auto words = commandWords(argc, argv);
        Configuration cfg(argc, argv);
        cfg.requireSensors();
        return run(cfg, words);
    }
    catch (const BadRequest& e)
    {
        std::cerr << "smctl: " << e.text << (e.showUsage ? " (see smctl --help)" : "") << std::endl;
        return 1;
    }
    catch (const StoreDown& e)
    {
        std::cerr << "smctl: " << e.text << std::endl;
        return 2;
    }
    catch (const StoreError& e)
    {
        std::cerr << "smctl: " << e.text << std::endl;
        return 2;
    }
    catch (const Exception& e)
    {
        std::cerr << "smctl: " << e.text << std::endl;
        return 1;
    }
}
