# The Windows package: cpack -G ZIP in a Windows build makes one archive per
# architecture, quorvel-VERSION-win32.zip or quorvel-VERSION-win64.zip, with
#   bin/QLMZTXQUORVELCPP100.DLL and bin/quorvel.exe
#   lib/libQLMZTXQUORVELCPP100.dll.a (the import library)
#   include/quorvel/*.h
#   lib/cmake/quorvel/ (find_package(quorvel) gives quorvel::quorvel)
#   README.txt
# Included by Packaging.cmake before CPack.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/WindowsPackage-README.txt
  DESTINATION . RENAME README.txt COMPONENT Development)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(_qv_win win32)
else()
  set(_qv_win win64)
endif()
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME quorvel-${PROJECT_VERSION}-${_qv_win})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
