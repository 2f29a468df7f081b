#!/usr/bin/env bash
# Builds the benchmarks in Release, runs each program with repetitions and
# writes the medians to bench/RESULTS.md.
#   REPS=5           repetitions per benchmark (the idle ones run 3)
#   BUILD_DIR=...    build directory (default build-bench)
#   JOBS=2           parallel build jobs
# Run it on a quiet machine: the load before and after goes into the report.
set -euo pipefail
cd "$(dirname "$0")/.."

reps=${REPS:-5}
build=${BUILD_DIR:-build-bench}
jobs=${JOBS:-2}
out="$build/bench-results"

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j"$jobs" >/dev/null
[ -x "$build/bench/trevalo_bench_capture" ] || { echo "Google Benchmark not found: nothing built" >&2; exit 1; }
rm -rf "$out" && mkdir -p "$out"
out=$(cd "$out" && pwd)  # the programs work in a scratch directory of their own

read -r load1 _ </proc/loadavg
if awk -v l="$load1" 'BEGIN { exit !(l > 1.0) }'; then
    echo "warning: load average $load1; the figures will show it" >&2
fi
cat /proc/loadavg >"$out/load-before"
head -n1 /proc/stat >"$out/stat-before"
date -u "+%Y-%m-%d %H:%M" >"$out/started"

# Nanosecond calls need little time per repetition; the serial and receive
# programs fix their own iteration counts.
run() {
    local prog=$1
    shift
    echo "== $prog" >&2
    "$build/bench/trevalo_bench_$prog" --benchmark_repetitions="$reps" \
        --benchmark_report_aggregates_only=true \
        --benchmark_out="$out/$prog.json" --benchmark_out_format=json "$@" >&2
}
run query --benchmark_min_time=0.2
run capture --benchmark_min_time=0.05
run serial
run receive
run openclose

cat /proc/loadavg >"$out/load-after"
head -n1 /proc/stat >"$out/stat-after"

python3 bench/report.py "$out" "$build" >bench/RESULTS.md
# The sniffer's rows: whole runs of the tool, each against a baseline of
# the same run.
if [ -x "$build/bench/trevalo_bench_sniffer" ]; then
    echo "== sniffer" >&2
    {
        printf '\n## The sniffer\n\n| Figure | Median | Ratio |\n|---|---|---|\n'
        "$build/bench/trevalo_bench_sniffer" "$reps"
    } >>bench/RESULTS.md
fi
echo "wrote bench/RESULTS.md" >&2
