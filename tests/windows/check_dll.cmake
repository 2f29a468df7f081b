# Checks a cross-built Trevalo.dll with objdump -p: its export table names
# exactly the functions that trevalo.h declares (no more, no fewer, none
# decorated), and it needs no mingw runtime DLL beside it.
#   cmake -DDLL=... -DOBJDUMP=... -DHEADER=.../trevalo.h -P check_dll.cmake
execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${DLL} failed")
endif()

include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/ExportNames.cmake)
trevalo_export_names(${HEADER} expected)

# The name table: "\t[   0] GetPtAutoScanUsed" lines after its heading.
string(FIND "${dump}" "[Ordinal/Name Pointer] Table" at)
if(at EQUAL -1)
  message(FATAL_ERROR "no export name table in ${DLL}")
endif()
string(SUBSTRING "${dump}" ${at} -1 table)
string(REGEX REPLACE "\n[ \t]*\n.*" "" table "${table}")
string(REGEX MATCHALL "\\[ *[0-9]+\\] [^\n]+" entries "${table}")
set(exported "")
foreach(e ${entries})
  string(REGEX REPLACE "\\[ *[0-9]+\\] " "" e "${e}")
  list(APPEND exported ${e})
endforeach()

set(missing ${expected})
list(REMOVE_ITEM missing ${exported})
set(extra ${exported})
list(REMOVE_ITEM extra ${expected})
list(LENGTH exported n_exported)
if(missing OR extra OR NOT n_exported EQUAL 34)
  message(FATAL_ERROR "${DLL} exports ${n_exported} names; missing: ${missing}; unexpected: ${extra}")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
foreach(i ${imports})
  if(i MATCHES "libgcc|libstdc|libwinpthread")
    message(FATAL_ERROR "${DLL} needs a mingw runtime DLL: ${i}")
  endif()
endforeach()
message(STATUS "${DLL}: exactly the 34 exports of trevalo.h; imports: ${imports}")
