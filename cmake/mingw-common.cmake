# Shared part of the MinGW-w64 toolchain files: compilers, resource compiler
# and the search roots of the target system. The posix thread model is needed
# for std::thread and std::mutex in the C++ runtime.
foreach(_suffix "-posix" "")
  find_program(_qv_cxx ${QUORVEL_MINGW_TRIPLE}-g++${_suffix})
  if(_qv_cxx)
    find_program(_qv_cc ${QUORVEL_MINGW_TRIPLE}-gcc${_suffix} REQUIRED)
    break()
  endif()
  unset(_qv_cxx CACHE)
endforeach()
if(NOT _qv_cxx)
  message(FATAL_ERROR "${QUORVEL_MINGW_TRIPLE}-g++ not found (install g++-mingw-w64)")
endif()
set(CMAKE_C_COMPILER ${_qv_cc})
set(CMAKE_CXX_COMPILER ${_qv_cxx})
set(CMAKE_RC_COMPILER ${QUORVEL_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUORVEL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
# Header-only packages of the build machine (nlohmann-json, CLI11) are usable
# as they are; libraries must come from the target system.
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)



