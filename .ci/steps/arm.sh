#!/usr/bin/env bash
# Cross-builds the library, tool and suite for aarch64 and armhf with
# Debian's cross compilers (GoogleTest from /usr/src/googletest) and runs
# the suite under qemu-user. Tests qemu cannot run say "skipped" and why.
# To keep the step near five minutes on two cores, armhf leaves out the
# real-time pty tests (SerialPort.*, LineFault.*), which aarch64 runs.
set -euo pipefail
cd "$(dirname "$0")/../.."
jobs=$(nproc 2>/dev/null || echo 2)
for arch in aarch64-linux-gnu arm-linux-gnueabihf; do
  start=$(date +%s)
  # qemu-user cannot re-execute a target binary (no binfmt here), which
  # this one needs.
  skip=(-E "^LineFault\\.ExitWithPortOpenWhileBytesArrive$")
  # 32-bit guests under qemu-user cannot list directories on a host with
  # 64-bit directory cookies (readdir fails), which the stale-scratch cleanup needs.
  [ "$arch" = arm-linux-gnueabihf ] && skip=(-E "^(SerialPort\\.|LineFault\\.|LibraryFiles\\.SpeedFile$)")
  echo "$arch: left out under qemu-user: ${skip[1]}"
  dir=build-$arch
  log=$(mktemp)
  if ! { cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-$arch.cmake" -DCMAKE_BUILD_TYPE=Release &&
         cmake --build "$dir" -j"$jobs"; } >"$log" 2>&1; then
    tail -n 60 "$log"
    exit 1
  fi
  echo "$arch: built in $(( $(date +%s) - start )) s"
  # Verbose, so that the reason each skipped test gives can be shown.
  ctest --test-dir "$dir" -j"$jobs" -V --repeat until-pass:2 "${skip[@]}" > "$dir/ctest.log" 2>&1 || {
    ctest --test-dir "$dir" --rerun-failed --output-on-failure | tail -n 150
    exit 1
  }
  grep -E -A1 ": Skipped$" "$dir/ctest.log" | sed -n 's/^[0-9]*: /  skipped: /p' | grep -v ": Skipped$" || true
  grep -E "tests passed" "$dir/ctest.log"
  echo "$arch: step took $(( $(date +%s) - start )) s"
done
