# The Windows module QLMZTXQUORVELCPP100.DLL: its version resource, an import
# library, and a C/C++ runtime linked in so that it needs system DLLs only.
set(QUORVEL_FILE_VERSION_TEXT "${PROJECT_VERSION}")
string(REPLACE "," "." QUORVEL_PRODUCT_VERSION_TEXT "${QUORVEL_PRODUCT_VERSION}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/QuorvelVersion.rc.in
  ${CMAKE_CURRENT_BINARY_DIR}/QuorvelVersion.rc @ONLY)
target_sources(quorvel PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/QuorvelVersion.rc)
target_link_options(quorvel PRIVATE -static)
if(NOT QUORVEL_SIMULATED)
  target_link_libraries(quorvel PRIVATE kernel32)
endif()
