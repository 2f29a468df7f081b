# Cross-build for 64-bit ARM Linux (most recorder boards) with Debian's
# g++-aarch64-linux-gnu; tests run under qemu-aarch64.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(TREVALO_CROSS_PREFIX aarch64-linux-gnu)
set(TREVALO_QEMU_NAME qemu-aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross-common.cmake)
