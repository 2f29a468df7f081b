#!/usr/bin/env bash
# The libFuzzer target over the C exports, with AddressSanitizer and
# UndefinedBehaviorSanitizer, for TREVALO_FUZZ_SECONDS (default 60) from the
# seed corpus. Any crash, leak, sanitizer report or input slower than 10 s
# fails the step; the offending input is kept under build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
start=$(date +%s)
seconds=${TREVALO_FUZZ_SECONDS:-60}

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DTREVALO_WERROR=ON -DTREVALO_FUZZ=ON -DBUILD_TESTING=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$(nproc 2>/dev/null || echo 2)" --target trevalo_fuzz >/dev/null

# The target changes its working directory, so every path is absolute; the
# seeds stay untouched and the run grows its own corpus.
work="$root/build-fuzz/corpus"
artifacts="$root/build-fuzz/artifacts"
rm -rf "$work" && mkdir -p "$work" "$artifacts"
cp fuzz/corpus/* "$work"/
log="$root/build-fuzz/fuzz.log"
status=0
"$root/build-fuzz/fuzz/trevalo_fuzz" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
  -artifact_prefix="$artifacts/" "$work" >"$log" 2>&1 || status=$?
grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb)' "$log" || true
if [ "$status" -ne 0 ]; then
  grep -E 'ERROR|SUMMARY|check failed|Test unit written' "$log" | head -20
  echo "fuzz: FAILED after $(( $(date +%s) - start )) s"
  exit 1
fi
echo "fuzz: ${seconds} s run, no findings ($(( $(date +%s) - start )) s with the build)"
