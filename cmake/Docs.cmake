# The API reference: `docs` runs doxygen over the public headers into
# <build>/docs/html and fails on any warning (an undocumented member, a
# parameter that does not exist, ...).
set(_qv_public_headers
  ${PROJECT_SOURCE_DIR}/Quorvel/include/quorvel/NetResConvert.h
  ${PROJECT_SOURCE_DIR}/platform/include/quorvel/Win32Types.h
  ${PROJECT_SOURCE_DIR}/Quorvel/include/quorvel/quorvel.h)
find_package(Doxygen QUIET)
if(DOXYGEN_FOUND)
  set(DOXYGEN_PROJECT_NAME quorvel)
  set(DOXYGEN_PROJECT_NUMBER ${PROJECT_VERSION})
  set(DOXYGEN_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/docs)
  set(DOXYGEN_GENERATE_LATEX NO)
  set(DOXYGEN_WARN_IF_UNDOCUMENTED YES)
  set(DOXYGEN_WARN_NO_PARAMDOC YES)
  set(DOXYGEN_WARN_AS_ERROR FAIL_ON_WARNINGS)
  set(DOXYGEN_QUIET YES)
  set(DOXYGEN_FULL_PATH_NAMES NO)
  set(DOXYGEN_ENABLE_PREPROCESSING YES)
  # The C header's export and calling-convention words are no part of a
  # function's type.
  set(DOXYGEN_MACRO_EXPANSION YES)
  set(DOXYGEN_EXPAND_ONLY_PREDEF YES)
  set(DOXYGEN_PREDEFINED "QUORVEL_C_API=" "QUORVEL_CALL=" "QUORVEL_NOEXCEPT=")
  doxygen_add_docs(docs ${_qv_public_headers} COMMENT "API reference (doxygen)")
else()
  add_custom_target(docs
    COMMAND ${CMAKE_COMMAND} -E echo "doxygen not found: ./scripts/install-deps.sh installs it"
    COMMAND ${CMAKE_COMMAND} -E false)
endif()
