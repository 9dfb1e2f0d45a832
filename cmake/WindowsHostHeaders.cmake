# Header-only packages of the build machine for the Windows cross builds.
# Their CMake packages name /usr/include, which must not be searched by a
# cross compiler (it holds the build machine's C library), so their headers
# are copied into the build folder and used from there.
set(_qv_host_include ${CMAKE_BINARY_DIR}/host-include)
foreach(_dir nlohmann CLI)
  if(NOT EXISTS /usr/include/${_dir})
    message(FATAL_ERROR "/usr/include/${_dir} missing (install nlohmann-json3-dev and libcli11-dev)")
  endif()
  file(COPY /usr/include/${_dir} DESTINATION ${_qv_host_include})
endforeach()
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
set_target_properties(nlohmann_json::nlohmann_json PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${_qv_host_include})
add_library(CLI11::CLI11 INTERFACE IMPORTED)
set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${_qv_host_include})
