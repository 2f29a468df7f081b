# Reads the dynamic symbol table and checks each of the 34 exports that
# trevalo.h declares is there.
#   cmake -DLIB=... -DHEADER=.../trevalo.h [-DNM=...] -P check_exports.cmake
if(NOT NM)
  set(NM nm)
endif()
execute_process(COMMAND ${NM} -D --defined-only ${LIB} OUTPUT_VARIABLE syms RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIB}")
endif()
include(${CMAKE_CURRENT_LIST_DIR}/../cmake/ExportNames.cmake)
trevalo_export_names(${HEADER} names)
set(missing "")
foreach(n ${names})
  if(NOT syms MATCHES "[ \t]T ${n}\n")
    list(APPEND missing ${n})
  endif()
endforeach()
# Nothing C++ leaks out: every exported function is one of ours.
string(REGEX MATCHALL "[ \t]T [^\n]+" exported "${syms}")
set(extra "")
foreach(e ${exported})
  string(REGEX REPLACE "^[ \t]T " "" e "${e}")
  list(FIND names ${e} at)
  # trevalo_host.h's calls for hosts without Win32 windows.
  if(at EQUAL -1 AND NOT e MATCHES "^Trevalo((Register|Unregister)HostWindow|WatchLinks|LastOpenError|Version)$"
     AND NOT e MATCHES "^Trevalo(ListenOpen|ListenClose|ListenLost|PortLost)$" AND NOT e MATCHES "^_")
    list(APPEND extra ${e})
  endif()
endforeach()
if(missing OR extra)
  message(FATAL_ERROR "missing exports: ${missing}; unexpected exports: ${extra}")
endif()
message(STATUS "all 34 exports present, nothing else exported")
