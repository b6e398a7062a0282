// The shared-memory store under load: writes per second on one thread, the cost of
// one change against the number of sensors and of askers, and the latency from a
// write in one process to the sensor message in another's queue, beside the same
// latency through Redis publish/subscribe when REDIS_SOCKET names a running server.
// The last line it prints sums the latencies up for bench/store.sh.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <linux/futex.h>
#include <random>
#include <string>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

#include "ShmSegment.h"
#include "ShmStore.h"
#include "UniSetObject.h"

using namespace UniSetTypes;

namespace
{
    constexpr int kSamples = 5000;
    // Between two samples the reader's notifier has gone to sleep: what is measured
    // includes waking it.
    constexpr int kPauseUs = 200;

    int64_t nowNs()
    {
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
    }

    std::vector<SensorDescription> analogSensors(size_t n)
    {
        std::vector<SensorDescription> list(n);
        for (size_t i = 0; i < n; ++i)
        {
            list[i].id = static_cast<ObjectId>(i + 1);
            list[i].name = std::to_string(i + 1);
            list[i].name.insert(0, 1, 'S');
            list[i].iotype = UniversalIO::AnalogInput;
        }
        return list;
    }

    // A segment laid out and marked ready as smemory would, removed afterwards.
    class BenchStore
    {
    public:
        explicit BenchStore(size_t sensors)
            : list(analogSensors(sensors)),
              name("/ravna.bench-" + std::to_string(getpid()) + "-" + std::to_string(counter++))
        {
            bool adopted = false;
            owner = uniset::ShmSegment::create(name, list, {}, adopted);
            owner->setState(uniset::shm::State::Ready);
        }
        ~BenchStore() { uniset::ShmSegment::remove(name); }
        std::unique_ptr<uniset::ShmStore> open() const { return std::make_unique<uniset::ShmStore>(list, name); }

    private:
        static inline int counter = 0;
        std::vector<SensorDescription> list;
        std::string name;
        std::unique_ptr<uniset::ShmSegment> owner;
    };

    // Counts what is pushed to it instead of queueing it.
    class CountingAsker : public UniSetObject
    {
    public:
        void push(const TransportMessage&) override { received.fetch_add(1, std::memory_order_relaxed); }
        std::atomic<long> received{0};
    };

    // What a latency reader in another process hands back: one latency per sample.
    struct Shared
    {
        std::atomic<int> ready;
        std::atomic<int> received;
        int64_t latencyNs[kSamples];
    };

    Shared* sharedPage()
    {
        void* p = mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED)
            std::abort();
        return new (p) Shared{};
    }

    struct Percentiles
    {
        double p50 = 0;
        double p99 = 0;
    };

    Percentiles percentiles(const Shared& s)
    {
        std::vector<int64_t> v(s.latencyNs, s.latencyNs + kSamples);
        std::sort(v.begin(), v.end());
        return Percentiles{v[v.size() / 2] / 1000.0, v[v.size() * 99 / 100] / 1000.0};
    }

    long futex(std::atomic<int>& word, int op, int value)
    {
        return syscall(SYS_futex, reinterpret_cast<int*>(&word), op, value, nullptr, nullptr, 0);
    }

    // The reader's side: one more sample taken.
    void acknowledge(Shared& shared, int i)
    {
        shared.received.store(i + 1, std::memory_order_release);
        futex(shared.received, FUTEX_WAKE, 1);
    }

    // Writes a time stamp per sample and waits until the reader has taken it. The
    // writer sleeps while it waits, as a program does between its passes: one that
    // spun here would keep its core, and a reader woken onto that core would wait for
    // the writer's time slice to end, which measures the spinning, not the store.
    template <typename Send>
    void pingSamples(Shared& shared, Send send)
    {
        while (!shared.ready.load())
            usleep(100);
        for (int i = 0; i < kSamples; ++i)
        {
            usleep(kPauseUs);
            send(nowNs());
            for (int seen; (seen = shared.received.load(std::memory_order_acquire)) <= i;)
                futex(shared.received, FUTEX_WAIT, seen);
        }
    }

    int waitChild(pid_t pid)
    {
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    Percentiles storeLatency{}, redisLatency{};
    bool redisMeasured = false;

    // --- the store

    class LatencyProbe : public UniSetObject
    {
    public:
        explicit LatencyProbe(Shared& s) : shared(s) {}
        void push(const TransportMessage& tm) override
        {
            const int64_t at = nowNs();
            if (!askAnswered)
            {
                askAnswered = true;   // the ask's own message
                return;
            }
            VoidMessage vm(tm);
            SensorMessage sm(&vm);
            const int i = shared.received.load(std::memory_order_relaxed);
            if (i < kSamples)
                shared.latencyNs[i] = at - sm.value;
            acknowledge(shared, i);
        }

    private:
        Shared& shared;
        bool askAnswered = false;
    };

    void BM_CrossProcessLatency(benchmark::State& state)
    {
        BenchStore bench(1000);
        Shared* shared = sharedPage();
        const pid_t reader = fork();
        if (reader == 0)
        {
            auto store = bench.open();
            LatencyProbe probe(*shared);
            store->ask(1, UniversalIO::UIONotify, &probe);
            shared->ready = 1;
            while (shared->received.load() < kSamples)
                usleep(1000);
            store.reset();
            _exit(0);
        }
        auto store = bench.open();
        for (auto _ : state)
            pingSamples(*shared, [&](int64_t t) { store->setValue(1, t, DefaultObjectId); });
        waitChild(reader);
        storeLatency = percentiles(*shared);
        state.counters["p50_us"] = storeLatency.p50;
        state.counters["p99_us"] = storeLatency.p99;
        munmap(shared, sizeof(Shared));
    }
    BENCHMARK(BM_CrossProcessLatency)->Iterations(1)->Unit(benchmark::kMillisecond);

    // --- Redis publish/subscribe over a Unix socket

    int connectRedis(const char* path)
    {
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::snprintf(addr.sun_path, sizeof(addr.sun_path), "%s", path);
        if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0)
        {
            close(fd);
            return -1;
        }
        return fd;
    }

    bool sendAll(int fd, const std::string& s)
    {
        size_t off = 0;
        while (off < s.size())
        {
            const ssize_t n = write(fd, s.data() + off, s.size() - off);
            if (n <= 0)
                return false;
            off += static_cast<size_t>(n);
        }
        return true;
    }

    std::string command(std::initializer_list<std::string> words)
    {
        std::string c(1, '*');
        c += std::to_string(words.size());
        c += "\r\n";
        for (const auto& w : words)
        {
            c += '$';
            c += std::to_string(w.size());
            c += "\r\n";
            c += w;
            c += "\r\n";
        }
        return c;
    }

    // Reads replies off a connection line by line.
    class RespReader
    {
    public:
        explicit RespReader(int fd) : fd(fd) {}
        bool line(std::string& out)
        {
            for (;;)
            {
                const auto end = buf.find("\r\n");
                if (end != std::string::npos)
                {
                    out = buf.substr(0, end);
                    buf.erase(0, end + 2);
                    return true;
                }
                char chunk[4096];
                const ssize_t n = read(fd, chunk, sizeof(chunk));
                if (n <= 0)
                    return false;
                buf.append(chunk, static_cast<size_t>(n));
            }
        }
        // The elements of one array of bulk strings ("*3", "$7", "message", ...).
        bool array(std::vector<std::string>& items)
        {
            std::string l;
            if (!line(l) || l.empty() || l[0] != '*')
                return false;
            items.assign(static_cast<size_t>(std::atoi(l.c_str() + 1)), "");
            for (auto& item : items)
            {
                if (!line(l) || l.empty())
                    return false;
                if (l[0] != '$')
                    item = l.substr(1);   // an integer or a simple string
                else if (!line(item))
                    return false;
            }
            return true;
        }

    private:
        int fd;
        std::string buf;
    };

    void BM_RedisPubSubLatency(benchmark::State& state)
    {
        const char* socketPath = std::getenv("REDIS_SOCKET");
        const int fd = socketPath ? connectRedis(socketPath) : -1;
        if (fd < 0)
        {
            state.SkipWithError("no Redis server (REDIS_SOCKET)");
            for (auto _ : state)
            {
            }
            return;
        }
        Shared* shared = sharedPage();
        const pid_t reader = fork();
        if (reader == 0)
        {
            const int sub = connectRedis(socketPath);
            RespReader in(sub);
            std::vector<std::string> items;
            if (sub < 0 || !sendAll(sub, command({"SUBSCRIBE", "ping"})) || !in.array(items))
                _exit(1);
            shared->ready = 1;
            while (shared->received.load() < kSamples && in.array(items))
            {
                const int64_t at = nowNs();
                const int i = shared->received.load();
                shared->latencyNs[i] = at - std::atoll(items.back().c_str());
                acknowledge(*shared, i);
            }
            _exit(0);
        }
        RespReader replies(fd);
        for (auto _ : state)
            pingSamples(*shared, [&](int64_t t) {
                std::string reply;
                sendAll(fd, command({"PUBLISH", "ping", std::to_string(t)}));
                replies.line(reply);
            });
        close(fd);
        waitChild(reader);
        redisLatency = percentiles(*shared);
        redisMeasured = true;
        state.counters["p50_us"] = redisLatency.p50;
        state.counters["p99_us"] = redisLatency.p99;
        munmap(shared, sizeof(Shared));
    }
    BENCHMARK(BM_RedisPubSubLatency)->Iterations(1)->Unit(benchmark::kMillisecond);

    // --- one process

    void BM_WritesOneThread(benchmark::State& state)
    {
        BenchStore bench(1000);
        auto store = bench.open();
        long v = 0;
        for (auto _ : state)
            store->setValue(1, ++v, DefaultObjectId);
        state.SetItemsProcessed(state.iterations());
    }
    BENCHMARK(BM_WritesOneThread);

    // Changes to sensors picked at random among n: the cost should not grow with n.
    void BM_ChangeBySensorCount(benchmark::State& state)
    {
        const size_t n = static_cast<size_t>(state.range(0));
        BenchStore bench(n);
        auto store = bench.open();
        std::mt19937 rng(7);
        std::vector<ObjectId> ids(1 << 16);
        for (auto& id : ids)
            id = static_cast<ObjectId>(rng() % n + 1);
        long v = 0;
        size_t k = 0;
        for (auto _ : state)
            store->setValue(ids[k++ & (ids.size() - 1)], ++v, DefaultObjectId);
        state.SetItemsProcessed(state.iterations());
    }
    BENCHMARK(BM_ChangeBySensorCount)->Arg(1000)->Arg(10000)->Arg(100000);

    // A change and its delivery to k askers in this process: batches of changes,
    // each timed until every asker has got all of it.
    void BM_ChangeByAskerCount(benchmark::State& state)
    {
        constexpr long kBatch = 1000;
        const int k = static_cast<int>(state.range(0));
        BenchStore bench(1000);
        auto store = bench.open();
        std::vector<std::unique_ptr<CountingAsker>> askers;
        for (int i = 0; i < k; ++i)
        {
            askers.push_back(std::make_unique<CountingAsker>());
            store->ask(1, UniversalIO::UIONotify, askers.back().get());
        }
        long v = 0;
        int64_t writingNs = 0;
        for (auto _ : state)
        {
            const int64_t t0 = nowNs();
            for (long i = 0; i < kBatch; ++i)
                store->setValue(1, ++v, DefaultObjectId);
            writingNs += nowNs() - t0;
            for (auto& a : askers)
                while (a->received.load(std::memory_order_relaxed) < v + 1)
                    usleep(20);
        }
        state.SetItemsProcessed(state.iterations() * kBatch);
        state.counters["write_ns"] = double(writingNs) / double(state.iterations() * kBatch);
    }
    BENCHMARK(BM_ChangeByAskerCount)->Arg(1)->Arg(4)->Arg(16)->Arg(64)->UseRealTime();
}

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (redisMeasured)
        std::printf("redis p50_us=%.2f p99_us=%.2f\n", redisLatency.p50, redisLatency.p99);
    std::printf("store p50_us=%.2f p99_us=%.2f", storeLatency.p50, storeLatency.p99);
    if (redisMeasured)
        std::printf(" redis p50_us=%.2f ratio=%.1f\n", redisLatency.p50,
                    storeLatency.p50 > 0 ? redisLatency.p50 / storeLatency.p50 : 0.0);
    else
        std::printf(" redis p50_us=- ratio=-\n");
    return 0;
}
