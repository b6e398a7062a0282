// The whole system on the sample configuration, timed as its operator and its plant
// see it: bench/station.sh starts smemory, kolvar, mendra, piltov and zarsen on a
// store of their own; this program takes every set under automatic control, waits
// for the blackout start, overloads the leader, waits for the reserve start, then
// leaves the system alone and measures what each program costs idle.
//
// Every time is a change time the store itself stamped (wall time in µs, taken by
// the writer as it writes), so a road is timed from the write that starts it to the
// write that ends it, whatever this program's own wake-ups cost.
//
// Options: --confile FILE and --store-name NAME as the programs take them;
// --programs NAME=PID,... the processes whose CPU and memory are measured;
// --idle-sec N the idle window (30). The last line sums it up:
//   station blackout_s=A reserve_s=B overhead_ms=C idle_cpu_pct=D kolvar_rss_mb=E
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "Configuration.h"
#include "Exceptions.h"
#include "Mendra.h"
#include "ShmStore.h"
#include "UniSetObject.h"

using namespace UniSetTypes;
using namespace std::chrono_literals;

namespace
{
    // Generous: a start takes seconds, and the machine may be loaded.
    constexpr auto kBound = 90s;

    struct BenchError
    {
        std::string text;
    };

    struct Change
    {
        ObjectId id = DefaultObjectId;
        long value = 0;
        int64_t timeUs = 0;
    };

    // Keeps every change of the sensors it asked for, in the store's one order, with
    // the store's own time of each.
    class Recorder : public UniSetObject
    {
    public:
        void push(const TransportMessage& tm) override
        {
            const VoidMessage vm(tm);
            if (vm.type != Message::SensorInfo)
                return;
            const SensorMessage sm(&vm);
            {
                std::lock_guard<std::mutex> lk(mtx);
                changes.push_back({sm.id, sm.value, sm.sm_tv_sec * 1000000 + sm.sm_tv_usec});
            }
            changed.notify_all();
        }

        size_t mark()
        {
            std::lock_guard<std::mutex> lk(mtx);
            return changes.size();
        }

        // The first change at or after `since` of the sensor to the value, waited for.
        std::optional<Change> await(size_t since, ObjectId id, long value)
        {
            return awaitAny(since, {id}, value);
        }

        // The first change at or after `since` of any of the sensors to the value.
        std::optional<Change> awaitAny(size_t since, const std::vector<ObjectId>& ids, long value)
        {
            std::optional<Change> found;
            std::unique_lock<std::mutex> lk(mtx);
            changed.wait_for(lk, kBound, [&] {
                for (size_t i = since; i < changes.size(); ++i)
                    if (changes[i].value == value && std::count(ids.begin(), ids.end(), changes[i].id))
                    {
                        found = changes[i];
                        return true;
                    }
                since = changes.size();
                return false;
            });
            return found;
        }

        // Waits until the condition on the store's values holds, looking again at every
        // change: the value is in the store before its change is pushed here.
        bool awaitState(const std::function<bool()>& condition)
        {
            std::unique_lock<std::mutex> lk(mtx);
            return changed.wait_for(lk, kBound, condition);
        }

        // Waits, at most kBound, for a spell of `quiet` without a change of any sensor
        // but those ignored.
        bool awaitQuiet(std::chrono::milliseconds quiet, const std::vector<ObjectId>& ignored = {})
        {
            const auto giveUp = std::chrono::steady_clock::now() + kBound;
            std::unique_lock<std::mutex> lk(mtx);
            size_t seen = changes.size();
            auto changedSince = [&] {
                bool any = false;
                for (; seen < changes.size(); ++seen)
                    any = any || !std::count(ignored.begin(), ignored.end(), changes[seen].id);
                return any;
            };
            while (std::chrono::steady_clock::now() < giveUp)
                if (!changed.wait_for(lk, quiet, changedSince))
                    return true;
            return false;
        }

        std::vector<Change> since(size_t from)
        {
            std::lock_guard<std::mutex> lk(mtx);
            return {changes.begin() + static_cast<long>(std::min(from, changes.size())), changes.end()};
        }

    private:
        std::mutex mtx;
        std::condition_variable changed;
        std::vector<Change> changes;
    };

    // One event of a road: a sensor of the plant taking a value.
    struct Point
    {
        std::string what;
        std::string sensor;
        long value;
    };

    // A stretch of a road between two of its points, and the delays the
    // configuration makes it wait out there.
    struct Stretch
    {
        size_t from, to;   // indexes of the points
        std::vector<std::pair<std::string, long>> delays;
    };

    struct Road
    {
        std::string name;
        std::vector<Point> points;
        std::vector<Stretch> stretches;
    };

    struct Timed
    {
        double totalMs = 0;
        long configuredMs = 0;
        double overheadMs() const { return totalMs - configuredMs; }
    };

    struct Program
    {
        std::string name;
        pid_t pid;
    };

    std::string fixed(double v, int decimals)
    {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
        return buf;
    }

    std::string loadAverage()
    {
        std::ifstream in("/proc/loadavg");
        std::string a, b, c;
        in >> a >> b >> c;
        return a + " " + b + " " + c;
    }

    // CPU time of the process, all its threads, in clock ticks: utime + stime of
    // /proc/PID/stat (the 14th and 15th fields, counted after the command's ")").
    long cpuTicks(pid_t pid)
    {
        std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const auto close = text.rfind(')');
        if (close == std::string::npos)
            throw BenchError{"process " + std::to_string(pid) + " is gone"};
        std::istringstream fields(text.substr(close + 1));
        std::string skip;
        for (int i = 3; i < 14; ++i)
            fields >> skip;
        long utime = 0, stime = 0;
        if (!(fields >> utime >> stime))
            throw BenchError{"process " + std::to_string(pid) + ": unreadable /proc stat"};
        return utime + stime;
    }

    // The number on a line of a /proc status file ("VmRSS:", "voluntary_ctxt_switches:").
    long statusValue(const std::string& path, const std::string& key)
    {
        std::ifstream in(path);
        std::string line;
        while (std::getline(in, line))
            if (line.rfind(key, 0) == 0)
                return std::strtol(line.c_str() + key.size(), nullptr, 10);
        throw BenchError{path + " has no " + key};
    }

    double statusMb(pid_t pid, const std::string& key)
    {
        return static_cast<double>(statusValue("/proc/" + std::to_string(pid) + "/status", key)) / 1024.0;
    }

    // The threads of the process, and how often they were put to sleep and woken:
    // their context switches, all added up.
    std::pair<size_t, long> threadsAndSwitches(pid_t pid)
    {
        size_t threads = 0;
        long switches = 0;
        for (const auto& task : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task"))
        {
            const std::string status = task.path() / "status";
            ++threads;
            switches += statusValue(status, "voluntary_ctxt_switches:");
            switches += statusValue(status, "nonvoluntary_ctxt_switches:");
        }
        return {threads, switches};
    }

    std::vector<Program> parsePrograms(const std::string& text)
    {
        std::vector<Program> list;
        std::istringstream in(text);
        std::string item;
        while (std::getline(in, item, ','))
        {
            const auto eq = item.find('=');
            if (eq == std::string::npos)
                throw BenchError{"--programs: '" + item + "' is not NAME=PID"};
            list.push_back({item.substr(0, eq), static_cast<pid_t>(std::strtol(item.c_str() + eq + 1, nullptr, 10))});
        }
        return list;
    }

    class StationBench
    {
    public:
        explicit StationBench(Configuration& c)
            : cfg(c), store(c.getSensors(), uniset::ShmStore::segmentNameFor(c))
        {
            store.setReports({[](const std::string& text) { std::cerr << "station: " << text << std::endl; }, {}});
            for (xmlNode* n = seslist(); n; n = n->next)
                if (n->type == XML_ELEMENT_NODE)
                    sets.push_back(cfg.getProp(n, "name"));
            if (sets.size() < 2)
                throw BenchError{"the configuration's seslist needs two sets at least"};
        }

        ~StationBench() { store.forget(&recorder); }

        void run(const std::vector<Program>& programs, int idleSec)
        {
            std::cout << "cores: " << sysconf(_SC_NPROCESSORS_ONLN) << " load: " << loadAverage() << std::endl;
            waitForTheSystem();
            const Timed blackout = blackoutStart();
            const Timed reserve = reserveStart();
            const auto [cpuPct, kolvarMb] = idle(programs, idleSec);
            std::cout << "station blackout_s=" << fixed(blackout.totalMs / 1000, 3)
                      << " reserve_s=" << fixed(reserve.totalMs / 1000, 3)
                      << " overhead_ms=" << fixed(std::max(blackout.overheadMs(), reserve.overheadMs()), 0)
                      << " idle_cpu_pct=" << fixed(cpuPct, 2) << " kolvar_rss_mb=" << fixed(kolvarMb, 1) << std::endl;
        }

    private:
        xmlNode* seslist() const
        {
            xmlNode* control = cfg.getNode("SEESControl");
            xmlNode* list = control ? cfg.findNode(control, "seslist") : nullptr;
            if (!list)
                throw BenchError{"the configuration has no SEESControl seslist"};
            return list->children;
        }

        ObjectId id(const std::string& name) const
        {
            const ObjectId sid = cfg.getSensorID(name);
            if (sid == DefaultObjectId)
                throw BenchError{"the configuration has no sensor '" + name + "'"};
            return sid;
        }

        std::vector<ObjectId> ofEverySet(const std::string& role) const
        {
            std::vector<ObjectId> ids;
            for (const auto& s : sets)
                ids.push_back(id(s + "_" + role));
            return ids;
        }

        std::string setOf(ObjectId sid, const std::string& role) const
        {
            for (const auto& s : sets)
                if (id(s + "_" + role) == sid)
                    return s;
            return "";
        }

        // A time setting of a set's station node, as kolvar reads it.
        long stationSetting(const std::string& set, const std::string& name) const
        {
            const xmlNode* node = cfg.getNode(set);
            const std::string text = node ? cfg.getProp(node, name) : "";
            if (text.empty())
                throw BenchError{set + ": no setting '" + name + "' in the configuration"};
            return cfg.getIntProp(node, name);
        }

        long value(const std::string& name) const { return store.getValue(id(name)); }
        void set(const std::string& name, long v) { store.setValue(id(name), v, DefaultObjectId); }

        void expect(bool done, const std::string& what) const
        {
            if (!done)
                throw BenchError{"waited " + std::to_string(kBound.count()) + " s in vain for " + what};
        }

        void awaitValue(const std::string& name, long v)
        {
            expect(recorder.awaitState([&] { return value(name) == v; }), name + "=" + std::to_string(v));
        }

        Change awaitChange(size_t since, const std::string& name, long v, const std::string& what)
        {
            const auto c = recorder.await(since, id(name), v);
            expect(c.has_value(), name + "=" + std::to_string(v) + " (" + what + ")");
            return *c;
        }

        void settle()
        {
            expect(recorder.awaitQuiet(1s), "a second without a change");
        }

        // The programs up: kolvar's stations read their switches, its priorities and
        // the tie closed (mendra's switchboard answered), each set's simulator answers
        // a bench command; every set stopped and the switchboard dead.
        void waitForTheSystem()
        {
            if (!store.isReady())
                throw BenchError{"the store is not ready: " + store.problem()};
            for (const auto& c : cfg.getSensors())
                store.ask(c.id, UniversalIO::UIONotify, &recorder);
            for (const auto& s : sets)
            {
                awaitValue(s + "_ControlMode_f", 2);
                expect(recorder.awaitState([&] { return value(s + "_Priority_s") > 0; }), s + "_Priority_s");
                set(s + "_Overload20_Cmd_S", 1);
                awaitValue(s + "_Overload20_S", 1);
                set(s + "_Overload20_Cmd_S", 0);
                awaitValue(s + "_Overload20_S", 0);
                awaitValue(s + "_sees_state_as", 0);
                awaitValue(s + "_QG_On_S", 0);
            }
            awaitValue("GRSH_QC_On_S", 1);
            awaitValue("GRSH_NoPower_s", 1);
            // The plant's load, shared by the sets on the switchboard.
            set("GEU_Power_s", 800);
            settle();
        }

        // The points a set passes on its way from the start command to its QG closed,
        // and the plant's own times between them.
        void startToQG(Road& road, const std::string& s, size_t startAt)
        {
            const size_t n = road.points.size();
            road.points.insert(road.points.end(),
                               {{"mendra takes the start", s + "_sees_state_as", 4},
                                {"the diesel runs", s + "_EngineRunning_S", 1},
                                {"the voltage is up: the set runs", s + "_sees_state_as", 9},
                                {"the station commands QG on", s + "_QG_On_C", 1},
                                {"QG closed", s + "_QG_On_S", 1}});
            road.stretches.insert(road.stretches.end(),
                                  {{startAt, n, {}},
                                   {n, n + 1, {{"mendra start", Mendra::startMs}}},
                                   {n + 1, n + 2, {{"mendra voltage ramp", Mendra::rampMs()}}},
                                   {n + 2, n + 3, {}},
                                   {n + 3, n + 4, {{"mendra QG close", Mendra::qgOnMs}}}});
        }

        Timed blackoutStart()
        {
            settle();
            std::cout << "\nblackout start (load " << loadAverage() << ")" << std::endl;
            const size_t mark = recorder.mark();
            for (const auto& s : sets)
                set(s + "_CtlMode_Auto_S", 1);
            awaitChange(mark, sets.back() + "_CtlMode_Auto_S", 1, "control taken");
            // The leader is the set that starts: another may lead for a moment while
            // the stations take control one by one.
            const auto start = recorder.awaitAny(mark, ofEverySet("DG_Start_C"), 1);
            expect(start.has_value(), "a set's start command (DG_Start_C=1)");
            leader = setOf(start->id, "DG_Start_C");

            Road road{"blackout",
                      {{"control taken: the switches to automatic", sets.back() + "_CtlMode_Auto_S", 1},
                       {"the leader's station under automatic control", leader + "_ControlMode_f", 3},
                       {"the supervision's leader", leader + "_Leader_f", 1},
                       {"the start command", leader + "_DG_Start_C", 1}},
                      {{0, 1, {}},
                       {1, 3,
                        {{leader + " initPause", stationSetting(leader, "initPause")},
                         {leader + " NoPowerTime", stationSetting(leader, "NoPowerTime")}}}}};
            startToQG(road, leader, 3);
            road.points.push_back({"the switchboard powered", "GRSH_NoPower_s", 0});
            road.stretches.push_back({road.points.size() - 2, road.points.size() - 1, {}});
            const Timed timed = measure(road, mark);
            printRamp(mark, leader);
            return timed;
        }

        Timed reserveStart()
        {
            // The leader on the switchboard, its station in its mode for it, then quiet.
            awaitValue(leader + "_lmpQG_ON_c", 1);
            settle();
            std::cout << "\nreserve start (load " << loadAverage() << ")" << std::endl;
            const size_t mark = recorder.mark();
            set(leader + "_Overload95_Cmd_S", 1);
            std::vector<ObjectId> others;
            for (const auto& s : sets)
                if (s != leader)
                    others.push_back(id(s + "_cmd_OnReserv_f"));
            const auto chosen = recorder.awaitAny(mark, others, 1);
            expect(chosen.has_value(), "the supervision's choice of a reserve set (cmd_OnReserv_f=1)");
            const std::string reserve = setOf(chosen->id, "cmd_OnReserv_f");

            Road road{"reserve",
                      {{"the leader's overload", leader + "_Overload95_S", 1},
                       {"the supervision selects the reserve", reserve + "_cmd_OnReserv_f", 1},
                       {"the start command", reserve + "_DG_Start_C", 1}},
                      {{0, 1, {}}, {1, 2, {}}}};
            startToQG(road, reserve, 2);
            const Timed timed = measure(road, mark);
            printRamp(mark, reserve);

            // No third set: the overload goes, and the two share the load.
            set(leader + "_Overload95_Cmd_S", 0);
            awaitValue(leader + "_Overload95_S", 0);
            awaitValue(reserve + "_lmpQG_ON_c", 1);
            return timed;
        }

        // Waits for every point of the road, the first change to its value after the
        // mark, and prints the road hop by hop.
        Timed measure(const Road& road, size_t mark)
        {
            std::vector<Change> at;
            for (const auto& p : road.points)
                at.push_back(awaitChange(mark, p.sensor, p.value, road.name + ": " + p.what));
            const int64_t t0 = at.front().timeUs;
            auto ms = [&](size_t i) { return (at[i].timeUs - t0) / 1000.0; };

            std::printf("  %10s  %s\n", "at_ms", "point");
            for (size_t i = 0; i < road.points.size(); ++i)
                std::printf("  %10.1f  %s=%ld: %s\n", ms(i), road.points[i].sensor.c_str(), road.points[i].value,
                            road.points[i].what.c_str());

            Timed timed;
            std::printf("  %10s %10s %10s  %s\n", "hop_ms", "config_ms", "over_ms", "hop: the delays waited out");
            for (const auto& s : road.stretches)
            {
                long configured = 0;
                std::string delays;
                for (const auto& [name, msec] : s.delays)
                {
                    configured += msec;
                    delays += (delays.empty() ? "" : " + ") + name + " " + std::to_string(msec);
                }
                const double hop = ms(s.to) - ms(s.from);
                std::printf("  %10.1f %10ld %10.1f  %s -> %s%s%s\n", hop, configured, hop - configured,
                            road.points[s.from].sensor.c_str(), road.points[s.to].sensor.c_str(),
                            delays.empty() ? "" : ": ", delays.c_str());
                timed.configuredMs += configured;
            }
            timed.totalMs = ms(road.points.size() - 1);
            std::printf("  %s: %.3f s, of which configured %ld ms, overhead %.1f ms\n", road.name.c_str(),
                        timed.totalMs / 1000, timed.configuredMs, timed.overheadMs());
            return timed;
        }

        // The voltage ramp step by step, as the store saw it: how long a step of
        // mendra's ramp timer really takes.
        void printRamp(size_t mark, const std::string& s)
        {
            const ObjectId voltage = id(s + "_DG_U_as");
            std::vector<int64_t> at;
            for (const auto& c : recorder.since(mark))
                if (c.id == voltage && c.value > 0)
                    at.push_back(c.timeUs);
            if (at.size() < 2)
                return;
            const double stepMs = (at.back() - at.front()) / 1000.0 / static_cast<double>(at.size() - 1);
            std::printf("  the voltage ramp: %zu steps of %s, one every %.1f ms (its timer: %ld ms)\n", at.size() - 1,
                        (s + "_DG_U_as").c_str(), stepMs, Mendra::rampTickMs);
        }

        // The CPU each program burns with nothing to do, and its memory.
        std::pair<double, double> idle(const std::vector<Program>& programs, int idleSec)
        {
            // The stations' pings go on for ever; the monitors hold a new breaker
            // position 2 s before they show it.
            expect(recorder.awaitQuiet(3s, ofEverySet("Ping_C")), "3 s without a change but the stations' pings");
            std::cout << "\nidle " << idleSec << " s (load " << loadAverage() << ")" << std::endl;
            const size_t mark = recorder.mark();
            std::vector<long> before, switchesBefore;
            for (const auto& p : programs)
            {
                before.push_back(cpuTicks(p.pid));
                switchesBefore.push_back(threadsAndSwitches(p.pid).second);
            }
            const auto start = std::chrono::steady_clock::now();
            std::this_thread::sleep_for(std::chrono::seconds(idleSec));
            const double wallSec = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

            double total = 0, kolvarMb = 0;
            std::printf("  %-8s %8s %8s %8s %8s %10s\n", "program", "cpu_pct", "rss_mb", "anon_mb", "threads",
                        "wakeups_s");
            for (size_t i = 0; i < programs.size(); ++i)
            {
                const Program& p = programs[i];
                const double pct = 100.0 * static_cast<double>(cpuTicks(p.pid) - before[i]) /
                                   (wallSec * static_cast<double>(sysconf(_SC_CLK_TCK)));
                const auto [threads, switches] = threadsAndSwitches(p.pid);
                const double rss = statusMb(p.pid, "VmRSS:");
                total += pct;
                if (p.name == "kolvar")
                    kolvarMb = rss;
                std::printf("  %-8s %8.3f %8.1f %8.1f %8zu %10.0f\n", p.name.c_str(), pct, rss,
                            statusMb(p.pid, "RssAnon:"), threads,
                            static_cast<double>(switches - switchesBefore[i]) / wallSec);
            }
            std::printf("  %-8s %8.3f   (%% of one core)\n", "total", total);
            std::map<std::string, int> changes;
            for (const auto& c : recorder.since(mark))
                ++changes[cfg.getNameById(c.id)];
            std::printf("  store changes in the window:");
            for (const auto& [name, count] : changes)
                std::printf(" %s %d", name.c_str(), count);
            std::printf("%s\n", changes.empty() ? " none" : "");
            return {total, kolvarMb};
        }

        Configuration& cfg;
        uniset::ShmStore store;
        Recorder recorder;
        std::vector<std::string> sets;
        std::string leader;
    };
}

int main(int argc, char** argv)
{
    try
    {
        Configuration cfg(argc, argv);
        cfg.requireSensors();
        const auto programs = parsePrograms(cfg.getArgParam("--programs", ""));
        if (std::none_of(programs.begin(), programs.end(), [](const Program& p) { return p.name == "kolvar"; }))
            throw BenchError{"--programs names no kolvar"};
        StationBench bench(cfg);
        bench.run(programs, cfg.getArgPInt("--idle-sec", 30));
        return 0;
    }
    catch (const BenchError& e)
    {
        std::cerr << "station: " << e.text << std::endl;
    }
    catch (const Exception& e)
    {
        std::cerr << "station: " << e.text << std::endl;
    }
    return 1;
}
