# Cross-build for 32-bit ARM Linux (armhf) with Debian's
# g++-arm-linux-gnueabihf; tests run under qemu-arm.
set(CMAKE_SYSTEM_PROCESSOR arm)
set(TREVALO_CROSS_PREFIX arm-linux-gnueabihf)
set(TREVALO_QEMU_NAME qemu-arm)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross-common.cmake)
