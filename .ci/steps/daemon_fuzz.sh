#!/usr/bin/env bash
# The libFuzzer target over trevalod's SOAP request handler, with
# AddressSanitizer and UndefinedBehaviorSanitizer, for
# TREVALOD_FUZZ_SECONDS (default 30) from the seeds in fuzz/corpus_soap.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
start=$(date +%s)
seconds=${TREVALOD_FUZZ_SECONDS:-30}

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DTREVALO_FUZZ=ON -DBUILD_TESTING=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$(nproc 2>/dev/null || echo 2)" --target trevalod_soap_fuzz >/dev/null

work="$root/build-fuzz/corpus_soap"
artifacts="$root/build-fuzz/artifacts_soap"
rm -rf "$work" && mkdir -p "$work" "$artifacts"
cp fuzz/corpus_soap/* "$work"/
log="$root/build-fuzz/fuzz_soap.log"
status=0
"$root/build-fuzz/fuzz/trevalod_soap_fuzz" -max_total_time="$seconds" -timeout=10 -max_len=8192 \
  -print_final_stats=1 -artifact_prefix="$artifacts/" "$work" >"$log" 2>&1 || status=$?
grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb)' "$log" || true
if [ "$status" -ne 0 ]; then
  grep -E 'ERROR|SUMMARY|check failed|Test unit written' "$log" | head -20
  echo "daemon fuzz: FAILED after $(( $(date +%s) - start )) s"
  exit 1
fi
echo "daemon fuzz: ${seconds} s run, no findings ($(( $(date +%s) - start )) s with the build)"
