// Capture mode through the shared library's exports: SetPtCmd_NET for every
// protocol with a movement, a lens, a stop and a preset code. Each protocol
// gets a channel of its own, opened once as a host would: a capture close
// costs 100 ms (OpenCloseBench measures it), which would swamp the runs.
//
// The floor is a plain C Pelco-D encoder (PlainPelcoD.c) in the same loop,
// so that every row can be read as a ratio to it from the same run. The
// Pelco-D call is also measured with one channel open and with all 255.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "BenchSupport.h"
#include "PlainPelcoD.h"
#include "trevalo.h"

namespace {

struct Code {
    int code;
    const char* name;
};

const Code kCodes[] = {
    {PT_UP, "up"}, {PT_ZOOM_TELE, "zoom_tele"}, {PT_STOP, "stop"}, {PT_PRESET_GOTO, "preset_goto"}};

// Work a protocol is built to do besides building bytes: Dyna keeps its
// last movement in a file and reads it back for the stop, Serim writes every
// command code to its file, HRX-1000 waits 3 ms before a stop even when
// capturing. These are reported apart from the plain packet builders.
const char* Kind(int index, int code) {
    if (index == 0 && code <= PT_STOP) return "file";
    if (index == 8) return "file";
    if (index == 32 && code == PT_STOP) return "pause";
    return "plain";
}

unsigned char g_buf[TREVALO_CAPTURE_MAX];
int g_len = -1;

constexpr int kChannels = 255;
constexpr int kPelcoD = 6;
constexpr int kPreset = 5;

// Channels open on first use, so that a run can measure with few open.
// They stay open to the end: each close waits 100 ms.
PtPortHandle* g_handles[kChannels] = {};

PtPortHandle* Channel(int channel, int index) {
    if (!g_handles[channel]) {
        g_handles[channel] = SetPtOpen_NET(index, channel, 1, g_buf, &g_len);
        if (!g_handles[channel]) {
            std::fprintf(stderr, "SetPtOpen_NET(%d, channel %d) failed\n", index, channel);
            std::exit(1);
        }
        SetPtPresetNo_NET(channel, kPreset);
    }
    return g_handles[channel];
}

int OpenCount() {
    int n = 0;
    for (PtPortHandle* h : g_handles) n += h != nullptr;
    return n;
}

void Baseline(benchmark::State& state, int code) {
    for (auto _ : state) {
        PlainPelcoD(1, code, kPreset, g_buf, &g_len);
        benchmark::ClobberMemory();
    }
    state.counters["bytes"] = g_len;
}

// Pelco-D up on the last channel with `open` channels open in all.
void WithChannelsOpen(benchmark::State& state, int open) {
    const int channel = kChannels - 1;
    PtPortHandle* h = Channel(channel, kPelcoD);
    for (int c = 0; OpenCount() < open; ++c) Channel(c, kPelcoD);
    state.counters["open"] = OpenCount();
    for (auto _ : state) {
        SetPtCmd_NET(h, channel, PT_UP, g_buf, &g_len);
        benchmark::ClobberMemory();
    }
}

// The floor must build what the library builds, or the ratio means nothing.
bool BaselineMatchesLibrary() {
    PtPortHandle* h = Channel(kChannels - 1, kPelcoD);
    unsigned char mine[TREVALO_CAPTURE_MAX];
    int mineLen = -1;
    for (int code = 0; code <= PT_ZONE_END; ++code) {
        SetPtCmd_NET(h, kChannels - 1, code, g_buf, &g_len);
        PlainPelcoD(1, code, kPreset, mine, &mineLen);
        if (g_len != mineLen || std::memcmp(g_buf, mine, 7) != 0) {
            std::fprintf(stderr, "plain Pelco-D encoder differs from the library at code %d\n", code);
            return false;
        }
    }
    return true;
}

void CaptureCmd(benchmark::State& state, PtPortHandle* h, int channel, int code) {
    for (auto _ : state) {
        SetPtCmd_NET(h, channel, code, g_buf, &g_len);
        benchmark::ClobberMemory();
    }
    state.counters["bytes"] = g_len;
}

}  // namespace

int main(int argc, char** argv) {
    bench::ScratchHome home;
    SetPTInit();
    if (!BaselineMatchesLibrary()) return 1;
    for (const Code& c : kCodes) {
        const std::string name = std::string("baseline_plain_c/") + c.name;
        benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State& s) { Baseline(s, c.code); });
    }
    // Registered before the per-protocol rows, so that only the check's
    // channel is open when it runs.
    benchmark::RegisterBenchmark("capture_channels_open/1",
                                 [](benchmark::State& s) { WithChannelsOpen(s, 1); });
    for (int index = 0; index < GetPtCount(); ++index) {
        const int channel = index;
        for (const Code& c : kCodes) {
            const std::string name = "capture_cmd/" + std::to_string(index) + "/" + c.name;
            const std::string label = bench::ProtocolName(index) + ";" + Kind(index, c.code);
            benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State& s) {
                CaptureCmd(s, Channel(channel, index), channel, c.code);
                s.SetLabel(label);
            });
        }
    }
    benchmark::RegisterBenchmark("capture_channels_open/255",
                                 [](benchmark::State& s) { WithChannelsOpen(s, kChannels); });
    benchmark::Initialize(&argc, argv);
    benchmark::AddCustomContext("trevalo", "capture calls through the shared library's C exports");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    SetPTUnInit();
    return 0;
}
