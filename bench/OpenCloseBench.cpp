// Open and close: a capture channel, and a serial channel on a pty.
//
// The port object's Close waits 100 ms whether or not the port was opened,
// and it runs wherever a port object goes away: once in a capture close,
// twice in a serial close (the manager's Close, then the destructor's).
// Those pauses are behaviour. Each run first makes one open+close with the
// sleeper hook adding the pauses up (pause_ms); the timed iterations then
// sleep for real, and beyond_pause_us is what the rest costs.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "platform/Platform.h"
#include "trevalo.h"

namespace {

constexpr int kCom = 52;

std::atomic<uint64_t> g_pauseMs{0};
void RecordPause(unsigned ms) { g_pauseMs += ms; }

unsigned char g_buf[TREVALO_CAPTURE_MAX];
int g_len = -1;

PtPortHandle* Open(int index, bool serial) {
    return serial ? SetPtOpen(index, 0, 1, kCom, 9600, 'N', 8, 1) : SetPtOpen_NET(index, 0, 1, g_buf, &g_len);
}

void Close(PtPortHandle* h, bool serial) {
    if (serial)
        SetPtClose(h, 0);
    else
        SetPtClose_NET(h, 0, g_buf, &g_len);
}

void OpenClose(benchmark::State& state, int index, bool serial) {
    bench::Pty pty(kCom);
    if (serial && !pty.ok()) {
        state.SkipWithError("no pty");
        return;
    }
    platform::SetSleepHook(&RecordPause);
    g_pauseMs = 0;
    PtPortHandle* h = Open(index, serial);
    if (h) Close(h, serial);
    platform::SetSleepHook(nullptr);
    const double pauseUs = static_cast<double>(g_pauseMs.load()) * 1e3;
    if (!h) {
        state.SkipWithError("open failed");
        return;
    }

    double openUs = 0, closeUs = 0;
    for (auto _ : state) {
        const uint64_t t0 = bench::NowNs();
        h = Open(index, serial);
        const uint64_t t1 = bench::NowNs();
        if (!h) {
            state.SkipWithError("open failed");
            break;
        }
        Close(h, serial);
        const uint64_t t2 = bench::NowNs();
        state.SetIterationTime(static_cast<double>(t2 - t0) / 1e9);
        openUs += static_cast<double>(t1 - t0) / 1e3;
        closeUs += static_cast<double>(t2 - t1) / 1e3;
    }
    const auto avg = benchmark::Counter::kAvgIterations;
    const double n = static_cast<double>(state.iterations());
    state.counters["open_us"] = benchmark::Counter(openUs, avg);
    state.counters["close_us"] = benchmark::Counter(closeUs, avg);
    state.counters["pause_ms"] = pauseUs / 1e3;
    state.counters["beyond_pause_us"] = benchmark::Counter(openUs + closeUs - pauseUs * n, avg);
    state.SetLabel(bench::ProtocolName(index));
}

// All 255 channels opened as serial Pelco-D channels, each on a pty of its
// own, then all closed. The pauses (200 ms per close) are added up by the
// sleeper hook rather than slept: 51 s of them would say nothing new.
constexpr int kChannels = 255;
constexpr int kFirstCom = 100;

void OpenCloseAll(benchmark::State& state) {
    std::vector<std::unique_ptr<bench::Pty>> ptys;
    for (int c = 0; c < kChannels; ++c) {
        ptys.push_back(std::make_unique<bench::Pty>(kFirstCom + c));
        if (!ptys.back()->ok()) {
            state.SkipWithError("not enough ptys");
            return;
        }
    }
    std::vector<PtPortHandle*> handles(kChannels);
    platform::SetSleepHook(&RecordPause);
    double openMs = 0, closeMs = 0, pauseMs = 0, cpuMs = 0;
    for (auto _ : state) {
        g_pauseMs = 0;
        const double cpu0 = bench::ProcessCpuUs();
        const uint64_t t0 = bench::NowNs();
        for (int c = 0; c < kChannels; ++c)
            handles[c] = SetPtOpen(6, c, 1, kFirstCom + c, 9600, 'N', 8, 1);
        const uint64_t t1 = bench::NowNs();
        for (int c = 0; c < kChannels; ++c)
            if (handles[c]) SetPtClose(handles[c], c);
        const uint64_t t2 = bench::NowNs();
        cpuMs += (bench::ProcessCpuUs() - cpu0) / 1e3;
        for (PtPortHandle* h : handles)
            if (!h) state.SkipWithError("an open failed");
        state.SetIterationTime(static_cast<double>(t2 - t0) / 1e9);
        openMs += static_cast<double>(t1 - t0) / 1e6;
        closeMs += static_cast<double>(t2 - t1) / 1e6;
        pauseMs += static_cast<double>(g_pauseMs.load());
    }
    platform::SetSleepHook(nullptr);
    const auto avg = benchmark::Counter::kAvgIterations;
    state.counters["open_ms"] = benchmark::Counter(openMs, avg);
    state.counters["close_ms"] = benchmark::Counter(closeMs, avg);
    state.counters["pause_ms"] = benchmark::Counter(pauseMs, avg);
    state.counters["cpu_ms"] = benchmark::Counter(cpuMs, avg);
    state.SetLabel("Pelco-D on 255 ptys");
}

}  // namespace

int main(int argc, char** argv) {
    bench::ScratchHome home;
    SetPTInit();
    // Pelco-D finds its section in the speed file; Dyna's attach also makes
    // sure its log file exists.
    for (int index : {6, 0}) {
        const std::string name = "capture_open_close/" + std::to_string(index);
        benchmark::RegisterBenchmark(name.c_str(), [index](benchmark::State& s) { OpenClose(s, index, false); })
            ->UseManualTime()
            ->Iterations(10)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("serial_open_close/6", [](benchmark::State& s) { OpenClose(s, 6, true); })
        ->UseManualTime()
        ->Iterations(10)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("serial_open_close_all/255", OpenCloseAll)
        ->UseManualTime()
        ->Iterations(3)
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::AddCustomContext("trevalo", "open+close; serial on a pty at 9600 8N1");
    benchmark::AddCustomContext("pauses", "timed iterations sleep for real; pause_ms comes from one "
                                          "untimed open+close with the sleeper hook adding the pauses up");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    SetPTUnInit();
    return 0;
}
