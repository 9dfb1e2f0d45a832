# Cross build for 64-bit Windows with the MinGW-w64 compilers (posix threads).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QUORVEL_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# Test programs of this build run under wine64 on the build machine (Debian
# keeps it in /usr/lib/wine without the wine wrapper package).
find_program(QUORVEL_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(QUORVEL_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUORVEL_WINE64})
endif()
