# Shared part of the mingw-w64 toolchains. Linked with -static, the DLL and
# the test host need nothing but system DLLs beside them: libgcc, libstdc++
# and, where the compiler uses the posix thread model, winpthread are linked
# in. The win32 thread model is preferred as it needs no winpthread at all.
find_program(CMAKE_C_COMPILER NAMES ${TREVALO_MINGW_PREFIX}-gcc-win32 ${TREVALO_MINGW_PREFIX}-gcc)
find_program(CMAKE_CXX_COMPILER NAMES ${TREVALO_MINGW_PREFIX}-g++-win32 ${TREVALO_MINGW_PREFIX}-g++)
find_program(CMAKE_RC_COMPILER NAMES ${TREVALO_MINGW_PREFIX}-windres)
find_program(CMAKE_OBJDUMP NAMES ${TREVALO_MINGW_PREFIX}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${TREVALO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
