# Installation (cmake --install) and the Debian package (cpack -G DEB) of the desktop program,
# the command-line program and the simulator, with the desktop entry and the icon.
include(GNUInstallDirs)

set(VELMORA_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})

# The three programs are made in different folders, some after this one: they are installed
# once the whole project has been read.
function(velmora_install_programs)
  foreach(program velmora velmora-cli velmora-sim)
    if(TARGET ${program})
      install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
  endforeach()
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL velmora_install_programs)

install(FILES ${VELMORA_PACKAGING_DIR}/velmora.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 16 32 64 256)
  install(FILES ${PROJECT_SOURCE_DIR}/ui/pictures/velmora-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
    RENAME velmora.png)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Velmora")
set(CPACK_PACKAGE_CONTACT "Velmora <velmora@example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Serial flash chip programmer: desktop program and tools")
set(CPACK_PACKAGE_DESCRIPTION
  "Writes, reads, erases and compares AT45DB161B serial flash chips through the Velmora \
programmer on a serial port. Contains the desktop program velmora, the command-line program \
velmora-cli and the programmer simulator velmora-sim.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# Library dependencies come from the programs themselves; the toolkit's window-system plugins
# are loaded at run time and named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_STRIP_FILES ON)
include(CPack)
