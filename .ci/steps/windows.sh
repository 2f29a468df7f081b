#!/usr/bin/env bash
# Cross-builds Trevalo.dll and the Windows test host for x86_64 and i686 with
# mingw-w64, then runs the Windows tests (exports, and the host under Wine).
set -euo pipefail
cd "$(dirname "$0")/../.."
start=$(date +%s)
jobs=$(nproc 2>/dev/null || echo 2)
log=$(mktemp)
if ! { cmake -S . -B build-windows -DTREVALO_WERROR=ON -DTREVALO_WINDOWS=ON -DCMAKE_BUILD_TYPE=Debug &&
       cmake --build build-windows -j"$jobs" --target trevalo_windows; } >"$log" 2>&1; then
  tail -n 60 "$log"
  exit 1
fi
echo "windows: built in $(( $(date +%s) - start )) s"
ctest --test-dir build-windows -L windows --output-on-failure -j"$jobs"
echo "windows: step took $(( $(date +%s) - start )) s"
