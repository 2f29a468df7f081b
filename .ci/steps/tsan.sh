#!/usr/bin/env bash
# The serial and line-fault tests under ThreadSanitizer: the watch thread
# against the host's thread on the same port object, receivers, closes from
# both sides.
set -euo pipefail
cd "$(dirname "$0")/../.."
start=$(date +%s)
cmake -S . -B build-tsan -DTREVALO_WERROR=ON -DTREVALO_TSAN=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-tsan -j"$(nproc 2>/dev/null || echo 2)" --target trevalo_tests >/dev/null
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  ./build-tsan/tests/trevalo_tests --gtest_filter='SerialPort*:LineFault*' --gtest_brief=1
echo "tsan: $(( $(date +%s) - start )) s with the build"
