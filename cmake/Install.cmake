# Installation as a normal library: the two public headers, the shared
# library with its version and soname, a pkg-config file, a CMake package
# (find_package(Trevalo) gives Trevalo::trevalo) and the trevalo tool.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(TREVALO_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Trevalo)

install(TARGETS trevalo EXPORT TrevaloTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES include/trevalo.h include/trevalo_host.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

if(TARGET trevalo_cli)
  # Finds the library of its own prefix, wherever that prefix is moved.
  set_target_properties(trevalo_cli PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
  install(TARGETS trevalo_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(EXPORT TrevaloTargets NAMESPACE Trevalo:: DESTINATION ${TREVALO_CMAKE_DIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/TrevaloConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/TrevaloConfig.cmake
  INSTALL_DESTINATION ${TREVALO_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/TrevaloConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/TrevaloConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/TrevaloConfigVersion.cmake
        DESTINATION ${TREVALO_CMAKE_DIR})

# The prefix is taken relative to the .pc file, so "cmake --install
# --prefix" anywhere gives a working file.
file(RELATIVE_PATH TREVALO_PC_TO_PREFIX "/p/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/p")
string(REGEX REPLACE "/$" "" TREVALO_PC_TO_PREFIX "${TREVALO_PC_TO_PREFIX}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/trevalo.pc.in ${CMAKE_CURRENT_BINARY_DIR}/trevalo.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/trevalo.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# The state directory the library looks in first. A staged install (DESTDIR)
# makes it under the stage; an install into another prefix than the
# configured one (a private tree, as the tests make) leaves /var alone, and
# the library then uses the user's own state directory.
if(NOT WIN32)
  if(TREVALO_STATE_GROUP)
    set(_trevalo_state_mode 2770)
  else()
    set(_trevalo_state_mode 0750)
  endif()
  install(CODE "
    set(_dir \"\$ENV{DESTDIR}${TREVALO_STATE_DIR}\")
    if(\"\$ENV{DESTDIR}\" STREQUAL \"\" AND NOT CMAKE_INSTALL_PREFIX STREQUAL \"${CMAKE_INSTALL_PREFIX}\"
       AND NOT CMAKE_INSTALL_PREFIX MATCHES \"^/usr(/local)?/?$\")
      message(STATUS \"Not made (install into another prefix): ${TREVALO_STATE_DIR}\")
    else()
      message(STATUS \"State directory: \${_dir} (${_trevalo_state_mode})\")
      file(MAKE_DIRECTORY \"\${_dir}\")
      if(NOT \"${TREVALO_STATE_GROUP}\" STREQUAL \"\")
        execute_process(COMMAND chgrp \"${TREVALO_STATE_GROUP}\" \"\${_dir}\" RESULT_VARIABLE _rc)
        if(_rc)
          message(FATAL_ERROR \"chgrp ${TREVALO_STATE_GROUP} \${_dir} failed\")
        endif()
      endif()
      execute_process(COMMAND chmod ${_trevalo_state_mode} \"\${_dir}\" RESULT_VARIABLE _rc)
      if(_rc)
        message(FATAL_ERROR \"chmod ${_trevalo_state_mode} \${_dir} failed\")
      endif()
    endif()")
endif()
