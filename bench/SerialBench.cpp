// Serial mode on a pty, the far end read by a thread of its own that notes
// when each byte arrives.
//
// serial_cmd/<index>/<code>/pauses_recorded: the library's own cost per
//   command. The sleeper hook adds up the pauses the protocol asks for
//   instead of sleeping them; nothing else is replaced.
// serial_cmd/<index>/<code>/real_time: the real library with its real
//   pauses; overhead = call time - the pauses the protocol asks for.
//
// A pty has no baud rate: bytes pass at once, so the wire time a real line
// adds at the configured rate is reported (wire_us) but is not in the times.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "platform/Platform.h"
#include "trevalo.h"

namespace {

constexpr int kCom = 50;
constexpr int kBaud = 9600;
constexpr double kBitsPerChar = 10;  // 8N1

std::atomic<uint64_t> g_pauseMs{0};
void RecordPause(unsigned ms) { g_pauseMs += ms; }

// Reads the master side of the pty and notes the time of each read.
class FarEnd {
    static constexpr int kIdlePollMs = 20;

public:
    explicit FarEnd(int fd) : m_fd(fd), m_thread([this] { Run(); }) {}
    ~FarEnd() {
        m_stop = true;
        m_thread.join();
    }
    FarEnd(const FarEnd&) = delete;
    FarEnd& operator=(const FarEnd&) = delete;

    uint64_t Total() {
        std::lock_guard<std::mutex> g(m_lock);
        return m_total;
    }
    // Waits until n bytes in all have come; the arrival time of the last one.
    bool WaitFor(uint64_t n, uint64_t& lastNs) {
        std::unique_lock<std::mutex> g(m_lock);
        if (!m_arrived.wait_for(g, std::chrono::seconds(2), [&] { return m_total >= n; })) return false;
        lastNs = m_lastNs;
        return true;
    }
    // The total once the reader, after this call, has twice polled a whole
    // period and found nothing: every byte written before the call is then
    // counted. A quiet spell of wall time alone is not enough: under load
    // the reader may not run at all during it, and the bytes then count
    // toward the next command (or none).
    uint64_t Settle() {
        std::unique_lock<std::mutex> g(m_lock);
        const uint64_t idle = m_idlePolls;
        m_arrived.wait_for(g, std::chrono::seconds(10), [&] { return m_idlePolls >= idle + 2; });
        return m_total;
    }

private:
    void Run() {
        uint8_t buf[4096];
        while (!m_stop) {
            pollfd pf{m_fd, POLLIN, 0};
            const int ready = poll(&pf, 1, kIdlePollMs);
            if (ready < 0) continue;
            if (ready == 0 || !(pf.revents & POLLIN)) {  // nothing to read, or no slave open
                if (ready > 0) usleep(1000);
                {
                    std::lock_guard<std::mutex> g(m_lock);
                    ++m_idlePolls;
                }
                m_arrived.notify_all();
                continue;
            }
            const ssize_t r = read(m_fd, buf, sizeof buf);
            const uint64_t at = bench::NowNs();
            if (r <= 0) continue;
            {
                std::lock_guard<std::mutex> g(m_lock);
                m_total += static_cast<uint64_t>(r);
                m_lastNs = at;
            }
            m_arrived.notify_all();
        }
    }

    int m_fd;
    std::atomic<bool> m_stop{false};
    std::mutex m_lock;
    std::condition_variable m_arrived;
    uint64_t m_total = 0;
    uint64_t m_lastNs = 0;
    uint64_t m_idlePolls = 0;
    std::thread m_thread;
};

PtPortHandle* OpenSerial(int index) { return SetPtOpen(index, 0, 1, kCom, kBaud, 'N', 8, 1); }

void SerialCmd(benchmark::State& state, int index, int code, bool realTime) {
    bench::Pty pty(kCom);
    if (!pty.ok()) {
        state.SkipWithError("no pty");
        return;
    }
    FarEnd far(pty.master());
    platform::SetSleepHook(&RecordPause);
    PtPortHandle* h = OpenSerial(index);
    if (!h) {
        platform::SetSleepHook(nullptr);
        state.SkipWithError("SetPtOpen failed");
        return;
    }
    SetPtPresetNo(0, 5);
    // One call first, to learn what the command writes and the pauses it asks for.
    const uint64_t before = far.Settle();
    g_pauseMs = 0;
    SetPtCmd(h, 0, code);
    const uint64_t pauseMs = g_pauseMs;
    const uint64_t bytes = far.Settle() - before;
    if (realTime) platform::SetSleepHook(nullptr);

    uint64_t missed = 0;  // commands the far end did not see within the wait
    double callUs = 0, pausedMs = 0, sleptMs = 0, lastFromStartUs = 0, lastAfterReturnUs = 0;
    std::vector<double> overheads;
    overheads.reserve(static_cast<size_t>(state.max_iterations));
    for (auto _ : state) {
        const uint64_t total = far.Total();
        g_pauseMs = 0;
        const uint64_t t0 = bench::NowNs();
        SetPtCmd(h, 0, code);
        const uint64_t t1 = bench::NowNs();
        uint64_t last = t1;
        // A late command is counted, not skipped: Google Benchmark 1.7
        // crashes computing the aggregates when the first of several
        // repetitions was skipped with an error.
        if (bytes > 0 && !far.WaitFor(total + bytes, last)) {
            ++missed;
            last = t1;
        }
        state.SetIterationTime(static_cast<double>(t1 - t0) / 1e9);
        const double us = static_cast<double>(t1 - t0) / 1e3;
        const double slept = realTime ? static_cast<double>(pauseMs) : 0;
        callUs += us;
        pausedMs += static_cast<double>(realTime ? pauseMs : g_pauseMs.load());
        sleptMs += slept;
        overheads.push_back(us - slept * 1e3);
        lastFromStartUs += static_cast<double>(last - t0) / 1e3;
        lastAfterReturnUs += (static_cast<double>(last) - static_cast<double>(t1)) / 1e3;
    }
    platform::SetSleepHook(&RecordPause);  // the close's pause is not measured here
    SetPtClose(h, 0);
    platform::SetSleepHook(nullptr);

    const auto avg = benchmark::Counter::kAvgIterations;
    state.counters["bytes"] = static_cast<double>(bytes);
    state.counters["missed"] = static_cast<double>(missed);
    state.counters["pause_ms"] = benchmark::Counter(pausedMs, avg);
    state.counters["overhead_us"] = benchmark::Counter(callUs - sleptMs * 1e3, avg);
    state.counters["overhead_p50_us"] = bench::Quantile(overheads, 0.5);
    state.counters["last_byte_us"] = benchmark::Counter(lastFromStartUs, avg);
    state.counters["last_byte_after_return_us"] = benchmark::Counter(lastAfterReturnUs, avg);
    state.counters["wire_us"] = static_cast<double>(bytes) * kBitsPerChar * 1e6 / kBaud;
    state.SetLabel(bench::ProtocolName(index));
}

struct Code {
    int code;
    const char* name;
};

std::string CmdName(int index, const Code& c, bool realTime) {
    return "serial_cmd/" + std::to_string(index) + "/" + c.name + (realTime ? "/real_time" : "/pauses_recorded");
}

void AddCmd(int index, const Code& c, bool realTime, int iterations) {
    benchmark::RegisterBenchmark(CmdName(index, c, realTime).c_str(), [=](benchmark::State& s) {
        SerialCmd(s, index, c.code, realTime);
    })->UseManualTime()->Iterations(iterations)->Unit(benchmark::kMicrosecond);
}

}  // namespace

int main(int argc, char** argv) {
    bench::ScratchHome home;
    SetPTInit();
    const Code up{PT_UP, "up"}, stop{PT_STOP, "stop"}, upRight{PT_UP_RIGHT, "up_right"};
    for (int index = 0; index < GetPtCount(); ++index) {
        AddCmd(index, up, false, 200);
        AddCmd(index, stop, false, 200);
    }
    // Real pauses: Pelco-D (30 ms after each frame), Samsung SCC-641 (none),
    // Dyna's diagonal (two frames 100 ms apart).
    AddCmd(6, up, true, 20);
    AddCmd(6, stop, true, 20);
    AddCmd(14, up, true, 50);
    AddCmd(0, upRight, true, 10);

    benchmark::Initialize(&argc, argv);
    benchmark::AddCustomContext("trevalo", "serial mode on a pty at 9600 8N1");
    benchmark::AddCustomContext(
        "pauses", "pauses_recorded runs add up the protocols' pauses through the sleeper hook "
                  "instead of sleeping them; real_time runs sleep for real");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    SetPTUnInit();
    return 0;
}
