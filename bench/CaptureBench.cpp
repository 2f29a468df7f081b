// Capture mode through the shared library's exports: SetPtCmd_NET for every
// protocol with a movement, a lens, a stop and a preset code. Each protocol
// gets a channel of its own, opened once as a host would: a capture close
// costs 100 ms (OpenCloseBench measures it), which would swamp the runs.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "BenchSupport.h"
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
    std::vector<PtPortHandle*> handles;
    for (int index = 0; index < GetPtCount(); ++index) {
        const int channel = index;
        PtPortHandle* h = SetPtOpen_NET(index, channel, 1, g_buf, &g_len);
        handles.push_back(h);
        if (!h) {
            std::fprintf(stderr, "SetPtOpen_NET(%d) failed\n", index);
            return 1;
        }
        SetPtPresetNo_NET(channel, 5);
        for (const Code& c : kCodes) {
            const std::string name = "capture_cmd/" + std::to_string(index) + "/" + c.name;
            const std::string label = bench::ProtocolName(index) + ";" + Kind(index, c.code);
            benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State& s) {
                CaptureCmd(s, h, channel, c.code);
                s.SetLabel(label);
            });
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::AddCustomContext("trevalo", "capture calls through the shared library's C exports");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (size_t channel = 0; channel < handles.size(); ++channel)
        SetPtClose_NET(handles[channel], static_cast<int>(channel), g_buf, &g_len);
    SetPTUnInit();
    return 0;
}
