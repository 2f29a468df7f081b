// The receive path on a pty, through the shared library.
//
// receive_latency/<n>: the far end writes n bytes; time until the "DVR"
//   receiver has been called with all of them (timed in the receiver).
// idle_watch/<case>: 5 s of an idle line with the port open; the process's
//   CPU time meanwhile (the benchmark's own thread only sleeps) and how often
//   the watch thread ran. "open" is a quiet line, "hung_up" a far end that
//   went away, "no_port" the same 5 s with no port open, as the baseline.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "trevalo.h"
#include "trevalo_host.h"

namespace {

constexpr int kCom = 51;
constexpr double kIdleSeconds = 5;

struct Inbox {
    std::mutex lock;
    std::condition_variable arrived;
    uint64_t count = 0;
    uint64_t lastNs = 0;

    static void Receive(void* self, unsigned long, const unsigned char*, unsigned n) {
        const uint64_t at = bench::NowNs();
        Inbox& box = *static_cast<Inbox*>(self);
        {
            std::lock_guard<std::mutex> g(box.lock);
            box.count += n;
            box.lastNs = at;
        }
        box.arrived.notify_all();
    }
    bool WaitFor(uint64_t n, uint64_t& lastNs) {
        std::unique_lock<std::mutex> g(lock);
        if (!arrived.wait_for(g, std::chrono::seconds(2), [&] { return count >= n; })) return false;
        lastNs = this->lastNs;
        return true;
    }
};

PtPortHandle* OpenSerial() { return SetPtOpen(6, 0, 1, kCom, 9600, 'N', 8, 1); }

void ReceiveLatency(benchmark::State& state, int n) {
    bench::Pty pty(kCom);
    PtPortHandle* h = pty.ok() ? OpenSerial() : nullptr;
    if (!h) {
        state.SkipWithError("no port");
        return;
    }
    Inbox box;
    TrevaloRegisterHostWindow("DVR", &Inbox::Receive, &box);
    const unsigned char bytes[10] = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9};
    uint64_t expected = 0;
    std::vector<double> latencies;
    latencies.reserve(static_cast<size_t>(state.max_iterations));
    for (auto _ : state) {
        expected += static_cast<uint64_t>(n);
        const uint64_t t0 = bench::NowNs();
        uint64_t last = 0;
        if (write(pty.master(), bytes, static_cast<size_t>(n)) != n || !box.WaitFor(expected, last)) {
            state.SkipWithError("the receiver was not called");
            break;
        }
        state.SetIterationTime(static_cast<double>(last - t0) / 1e9);
        latencies.push_back(static_cast<double>(last - t0) / 1e3);
    }
    TrevaloUnregisterHostWindow("DVR");
    SetPtClose(h, 0);
    state.counters["p50_us"] = bench::Quantile(latencies, 0.5);
    state.counters["p99_us"] = bench::Quantile(latencies, 0.99);
    state.counters["max_us"] = bench::Quantile(latencies, 1.0);
}

enum class Idle { NoPort, Open, HungUp };

void IdleWatch(benchmark::State& state, Idle what) {
    bench::Pty pty(kCom);
    const auto threads = bench::ThreadIds();
    PtPortHandle* h = what == Idle::NoPort || !pty.ok() ? nullptr : OpenSerial();
    if (what != Idle::NoPort && !h) {
        state.SkipWithError("no port");
        return;
    }
    long watch = 0;
    for (long tid : bench::ThreadIds())
        if (!threads.count(tid)) watch = tid;
    if (what == Idle::HungUp) pty.HangUp();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // let the open settle

    double cpuUs = 0, wakeups = 0;
    for (auto _ : state) {
        const long switches = watch ? bench::ContextSwitches(watch) : 0;
        const double cpu0 = bench::ProcessCpuUs();
        const uint64_t t0 = bench::NowNs();
        std::this_thread::sleep_for(std::chrono::duration<double>(kIdleSeconds));
        const uint64_t t1 = bench::NowNs();
        cpuUs += bench::ProcessCpuUs() - cpu0;
        wakeups += static_cast<double>(watch ? bench::ContextSwitches(watch) - switches : 0);
        state.SetIterationTime(static_cast<double>(t1 - t0) / 1e9);
    }
    if (h) SetPtClose(h, 0);
    const auto avg = benchmark::Counter::kAvgIterations;
    state.counters["cpu_us"] = benchmark::Counter(cpuUs, avg);
    state.counters["core_pct"] = benchmark::Counter(cpuUs / (kIdleSeconds * 1e6) * 100, avg);
    state.counters["watch_wakeups"] = benchmark::Counter(wakeups, avg);
    state.counters["watch_found"] = watch ? 1 : 0;  // 0: no port, or its thread was not seen
}

}  // namespace

int main(int argc, char** argv) {
    bench::ScratchHome home;
    SetPTInit();
    for (int n : {1, 10}) {
        const std::string name = "receive_latency/" + std::to_string(n);
        benchmark::RegisterBenchmark(name.c_str(), [n](benchmark::State& s) { ReceiveLatency(s, n); })
            ->UseManualTime()
            ->Iterations(500)
            ->Unit(benchmark::kMicrosecond);
    }
    const std::pair<const char*, Idle> idle[] = {
        {"idle_watch/no_port", Idle::NoPort}, {"idle_watch/open", Idle::Open}, {"idle_watch/hung_up", Idle::HungUp}};
    for (const auto& [name, what] : idle) {
        const Idle w = what;
        benchmark::RegisterBenchmark(name, [w](benchmark::State& s) { IdleWatch(s, w); })
            ->UseManualTime()
            // Three idle spells averaged in one run: no repetitions, so a
            // skipped run prints its error instead of crashing the aggregates.
            ->Iterations(3)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::AddCustomContext("trevalo", "receive path on a pty, through the shared library");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    SetPTUnInit();
    return 0;
}
