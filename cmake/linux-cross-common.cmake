# Shared part of the Linux cross toolchains: Debian's cross compilers, the
# target's libraries from its multiarch sysroot, and qemu-user to run what
# is built (CTest and gtest_discover_tests go through the emulator).
set(CMAKE_SYSTEM_NAME Linux)
find_program(CMAKE_C_COMPILER NAMES ${TREVALO_CROSS_PREFIX}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${TREVALO_CROSS_PREFIX}-g++ REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${TREVALO_CROSS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config sees the target's .pc files only, so optional host libraries
# (the gateway's) are not taken for the target's.
set(ENV{PKG_CONFIG_LIBDIR} "/usr/lib/${TREVALO_CROSS_PREFIX}/pkgconfig:/usr/${TREVALO_CROSS_PREFIX}/lib/pkgconfig")

find_program(TREVALO_QEMU NAMES ${TREVALO_QEMU_NAME})
if(TREVALO_QEMU)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TREVALO_QEMU} -L /usr/${TREVALO_CROSS_PREFIX})
endif()
# No prebuilt GoogleTest for the target: build it from Debian's sources.
if(NOT DEFINED TREVALO_GTEST_SOURCE_DIR AND EXISTS /usr/src/googletest/CMakeLists.txt)
  set(TREVALO_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources to build for the target")
endif()
