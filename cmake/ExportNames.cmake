# The exported names are the functions trevalo.h declares with TREVALO_CALL:
# the DLL's .def file and the export checks all read them from there.
function(trevalo_export_names header out)
  file(READ ${header} text)
  string(REGEX MATCHALL "TREVALO_CALL[ \t]+[A-Za-z_0-9]+\\(" decls "${text}")
  set(names "")
  foreach(d ${decls})
    string(REGEX REPLACE "TREVALO_CALL[ \t]+([A-Za-z_0-9]+)\\(" "\\1" n "${d}")
    list(APPEND names ${n})
  endforeach()
  list(LENGTH names count)
  if(NOT count EQUAL 34)
    message(FATAL_ERROR "${header} declares ${count} functions, not 34")
  endif()
  set(${out} ${names} PARENT_SCOPE)
endfunction()

# Writes the module-definition file that gives the DLL exactly those
# names, undecorated.
function(trevalo_write_def header def)
  trevalo_export_names(${header} names)
  set(text "; Generated from trevalo.h at configure time: the DLL's exports, nothing else.\nLIBRARY Trevalo.dll\nEXPORTS\n")
  foreach(n ${names})
    string(APPEND text "    ${n}\n")
  endforeach()
  # Rewritten only when the names change, so the DLL is not relinked for nothing.
  file(WRITE ${def}.new "${text}")
  configure_file(${def}.new ${def} COPYONLY)
endfunction()
