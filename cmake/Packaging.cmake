# Packages (cpack). Debian packages, one per install component:
#   libquorvel1     the shared libraries (Runtime)
#   libquorvel-dev  headers, link files, CMake and pkg-config files (Development)
#   quorvel         the command and its manual page (Cli)
#   cpack -G DEB    (in a build configured with CMAKE_INSTALL_PREFIX=/usr,
#                    preset "package")
set(CPACK_PACKAGE_NAME quorvel)
set(CPACK_PACKAGE_VENDOR quorvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Network resource names of a Windows workstation in one canonical form (DNC names) and back")
set(CPACK_PACKAGE_CONTACT "quorvel maintainers <quorvel@localhost>")
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)

set(CPACK_COMPONENTS_ALL Runtime Development)
if(TARGET quorvel_cli)
  list(APPEND CPACK_COMPONENTS_ALL Cli)
endif()

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
# Dependencies on the C and C++ runtimes are read from the binaries; the
# shlibs file of the library package lets others do the same with it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The library needs the simulation beside it: it is looked for where the
# build put it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR})
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(_qv_runtime_dep "libquorvel${PROJECT_VERSION_MAJOR} (= ${PROJECT_VERSION})")

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libquorvel${PROJECT_VERSION_MAJOR})
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION
  "quorvel library: network resource names in one canonical form (DNC names) and back")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libquorvel-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS ${_qv_runtime_dep})
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION
  "quorvel library: headers, CMake package and pkg-config file")

set(CPACK_DEBIAN_CLI_PACKAGE_NAME quorvel)
set(CPACK_DEBIAN_CLI_PACKAGE_SECTION net)
set(CPACK_COMPONENT_CLI_DESCRIPTION
  "quorvel command: DNC names, server, volume and drive lists from the shell")

if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/WindowsPackage.cmake)
endif()

include(CPack)
