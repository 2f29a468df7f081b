// The set-up queries through the shared library's exports. Each loop walks
// the indexes, out-of-range ones included for the capability sets, so every
// entry of the tables is asked for.
#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "trevalo.h"

namespace {

void Count(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(GetPtCount());
}

void Name(benchmark::State& state) {
    char text[TREVALO_NAME_MAX];
    int index = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(GetPtName(index, text));
        benchmark::ClobberMemory();
        if (++index == TREVALO_PROTOCOL_COUNT) index = 0;
    }
}

template <int (*Query)(int)>
void Capability(benchmark::State& state) {
    int index = -1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Query(index));
        if (++index > TREVALO_PROTOCOL_COUNT) index = -1;
    }
}

}  // namespace

BENCHMARK(Count)->Name("query/GetPtCount");
BENCHMARK(Name)->Name("query/GetPtName");
BENCHMARK(Capability<GetPtPresetUsed>)->Name("query/GetPtPresetUsed");
BENCHMARK(Capability<GetPtAutoScanUsed>)->Name("query/GetPtAutoScanUsed");
BENCHMARK(Capability<GetPtSpeedCtrlUsed>)->Name("query/GetPtSpeedCtrlUsed");

int main(int argc, char** argv) {
    SetPTInit();
    benchmark::Initialize(&argc, argv);
    benchmark::AddCustomContext("trevalo", "queries through the shared library's C exports");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    SetPTUnInit();
    return 0;
}
