# Shared part of the mingw-w64 toolchains. The posix thread model, because
# the library uses std::mutex, which GCC 12's win32 model lacks. Linked with
# -static, the DLL and the test host need nothing but system DLLs beside
# them: libgcc, libstdc++ and winpthread are linked in.
find_program(CMAKE_C_COMPILER NAMES ${TREVALO_MINGW_PREFIX}-gcc-posix ${TREVALO_MINGW_PREFIX}-gcc)
find_program(CMAKE_CXX_COMPILER NAMES ${TREVALO_MINGW_PREFIX}-g++-posix ${TREVALO_MINGW_PREFIX}-g++)
find_program(CMAKE_RC_COMPILER NAMES ${TREVALO_MINGW_PREFIX}-windres)
find_program(CMAKE_OBJDUMP NAMES ${TREVALO_MINGW_PREFIX}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${TREVALO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
