# The Windows download (cpack -G ZIP in the Windows build): the desktop program velmora.exe and
# velmora-cli.exe, which need no DLL beside them (the compiler's runtime and the threads library
# are linked in), a short README.txt for Windows users and the sample image, in
# velmora-<version>-windows-x64.zip with a folder of the same name inside.
install(TARGETS velmora velmora-cli RUNTIME DESTINATION .)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/README-Windows.txt DESTINATION . RENAME README.txt)
install(FILES ${PROJECT_SOURCE_DIR}/samples/small.ldr DESTINATION samples)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(VELMORA_DOWNLOAD velmora-${PROJECT_VERSION}-windows-x64)
set(CPACK_PACKAGE_FILE_NAME ${VELMORA_DOWNLOAD})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
include(CPack)

# The download is made and holds what it should, and the programs in it ask Windows for its
# own DLLs only.
find_program(VELMORA_MINGW_OBJDUMP ${VELMORA_MINGW_PREFIX}-objdump)
add_test(NAME windows_download
  COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${PROJECT_BINARY_DIR}
    -DARCHIVE=${CPACK_PACKAGE_DIRECTORY}/${VELMORA_DOWNLOAD}.zip
    -DFOLDER=${VELMORA_DOWNLOAD} -DOBJDUMP=${VELMORA_MINGW_OBJDUMP}
    "-DPROGRAMS=$<TARGET_FILE:velmora>;$<TARGET_FILE:velmora-cli>"
    -P ${CMAKE_CURRENT_LIST_DIR}/CheckWindowsDownload.cmake)
set_tests_properties(windows_download PROPERTIES LABELS "windows")
