# Installation as a normal library: the three public headers, the shared
# library with its version and soname, a pkg-config file, a CMake package
# (find_package(Trevalo) gives Trevalo::trevalo) and the trevalo tool.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(TREVALO_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Trevalo)

install(TARGETS trevalo EXPORT TrevaloTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES include/trevalo.h include/trevalo_host.h include/trevalo_version.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

if(TARGET trevalo_cli)
  # Finds the library of its own prefix, wherever that prefix is moved.
  set_target_properties(trevalo_cli PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
  install(TARGETS trevalo_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES docs/trevalo.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
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
