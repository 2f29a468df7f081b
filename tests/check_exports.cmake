# Reads the dynamic symbol table and checks each of the 34 exports is there.
execute_process(COMMAND nm -D --defined-only ${LIB} OUTPUT_VARIABLE syms RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIB}")
endif()
set(names SetPTInit SetPTUnInit GetPtCount GetPtName GetPtPresetUsed GetPtAutoScanUsed
  GetPtSpeedCtrlUsed SetPtOpen SetPtClose SetPtCmd SetPtCameraPower SetPtLampPower SetPtAuxPower
  SetPtAutoPan SetPtPresetNo SetPtAutoScanNo SetPtAutoScan SetPtSpeedCtrl GetPtCount_NET
  GetPtName_NET GetPtPresetUsed_NET GetPtAutoScanUsed_NET GetPtSpeedCtrlUsed_NET SetPtOpen_NET
  SetPtClose_NET SetPtCmd_NET SetPtCameraPower_NET SetPtLampPower_NET SetPtAuxPower_NET
  SetPtAutoScan_NET SetPtAutoPan_NET SetPtSpeedCtrl_NET SetPtPresetNo_NET SetPtAutoScanNo_NET)
list(LENGTH names count)
if(NOT count EQUAL 34)
  message(FATAL_ERROR "expected list of 34 names, have ${count}")
endif()
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
  if(at EQUAL -1 AND NOT e MATCHES "^Trevalo(Register|Unregister)HostWindow$"
     AND NOT e MATCHES "^Trevalo(ListenOpen|ListenClose|ListenLost|PortLost)$" AND NOT e MATCHES "^_")
    list(APPEND extra ${e})
  endif()
endforeach()
if(missing OR extra)
  message(FATAL_ERROR "missing exports: ${missing}; unexpected exports: ${extra}")
endif()
message(STATUS "all 34 exports present, nothing else exported")
