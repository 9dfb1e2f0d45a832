# Installation: the libraries, the quorvel command with its manual page, the
# public headers under include/quorvel/, and what other projects use to find
# the library: a CMake package (quorvelConfig.cmake, its version file and the
# targets quorvel::quorvel and, where the library runs over the simulated
# workstation, quorvel::sim) and a pkg-config file (quorvel.pc).
#
# Components: Runtime (the shared libraries), Development (headers, link
# files, CMake and pkg-config files), Cli (the command).
#
# On Windows the DLLs go to bin/ and their import libraries to lib/.
include(CMakePackageConfigHelpers)

set(QUORVEL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/quorvel)

set(_qv_libraries quorvel quorvel_win32_types)
if(TARGET quorvel_sim)
  list(APPEND _qv_libraries quorvel_sim)
endif()
install(TARGETS ${_qv_libraries} EXPORT quorvelTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Runtime
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Runtime NAMELINK_COMPONENT Development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Development)

# The public headers: the library's, the Win32 types they use, and the
# simulation's one header for choosing the workstation.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/Quorvel/include/quorvel
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT Development
  FILES_MATCHING PATTERN "*.h")
install(FILES ${PROJECT_SOURCE_DIR}/platform/include/quorvel/Win32Types.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/quorvel COMPONENT Development)
if(TARGET quorvel_sim)
  install(FILES ${PROJECT_SOURCE_DIR}/platform/sim/include/quorvel/sim/Workstation.h
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/quorvel/sim COMPONENT Development)
endif()

if(TARGET quorvel_cli)
  install(TARGETS quorvel_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Cli)
  if(EXISTS ${PROJECT_SOURCE_DIR}/docs/quorvel.1)
    install(FILES ${PROJECT_SOURCE_DIR}/docs/quorvel.1
      DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT Cli)
  endif()
endif()

# The installed library finds the simulation beside it, wherever the tree is
# installed. (The command links both in and needs neither.)
if(NOT WIN32 AND NOT APPLE)
  set_target_properties(quorvel PROPERTIES INSTALL_RPATH "$ORIGIN")
endif()

# The CMake package. Its files name every path relative to their own place.
install(EXPORT quorvelTargets NAMESPACE quorvel::
  DESTINATION ${QUORVEL_CMAKE_DIR} COMPONENT Development)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/quorvelConfig.cmake.in
  ${PROJECT_BINARY_DIR}/quorvelConfig.cmake
  INSTALL_DESTINATION ${QUORVEL_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/quorvelConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/quorvelConfig.cmake ${PROJECT_BINARY_DIR}/quorvelConfigVersion.cmake
  DESTINATION ${QUORVEL_CMAKE_DIR} COMPONENT Development)

# The pkg-config file, relocatable: its prefix is found from its own place.
if(WIN32)
  set(QUORVEL_PC_LIBS "-l$<TARGET_FILE_BASE_NAME:quorvel>")
else()
  set(QUORVEL_PC_LIBS "-lquorvel")
endif()
if(TARGET quorvel_sim)
  string(APPEND QUORVEL_PC_LIBS " -lquorvel_sim")
endif()
file(RELATIVE_PATH QUORVEL_PC_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" QUORVEL_PC_PREFIX "${QUORVEL_PC_PREFIX}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/quorvel.pc.in ${PROJECT_BINARY_DIR}/quorvel.pc.in @ONLY)
file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/quorvel.pc INPUT ${PROJECT_BINARY_DIR}/quorvel.pc.in)
install(FILES ${PROJECT_BINARY_DIR}/quorvel.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT Development)
