# Installation (cmake --install) and the Debian package (cpack -G DEB): the programs with their
# manual pages, the desktop program's entry, icons and AppStream file, the bash completion of
# velmora-cli, and the package's copyright file and changelog. Read after every program folder,
# so that the programs' targets exist; a build without the desktop program (VELMORA_GUI=OFF)
# installs the other two.
include(GNUInstallDirs)

set(VELMORA_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})
set(VELMORA_PACKAGING_OUT ${PROJECT_BINARY_DIR}/packaging)
set(VELMORA_MAINTAINER "Velmora <${VELMORA_CONTACT_EMAIL}>")
set(VELMORA_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/velmora)

set(VELMORA_PROGRAMS)
foreach(program velmora velmora-cli velmora-sim)
  if(TARGET ${program})
    list(APPEND VELMORA_PROGRAMS ${program})
  endif()
endforeach()
install(TARGETS ${VELMORA_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Every symbol bound at start, so that the relocations are read-only for the whole run.
foreach(program ${VELMORA_PROGRAMS})
  target_link_options(${program} PRIVATE LINKER:-z,now)
endforeach()

# The package's changelog gives the package's version and the release date. Its latest entry
# must be for the project's version: a new version needs a new entry on top.
file(STRINGS ${VELMORA_PACKAGING_DIR}/changelog.in VELMORA_CHANGELOG_HEAD LIMIT_COUNT 1)
if(NOT VELMORA_CHANGELOG_HEAD MATCHES "^velmora \\(([^)-]+)-([^)]+)\\) ")
  message(FATAL_ERROR "packaging/changelog.in: the first line is not 'velmora (VERSION-REVISION) ...'")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "packaging/changelog.in: its latest entry is for ${CMAKE_MATCH_1}, the "
    "project is ${PROJECT_VERSION}: add an entry 'velmora (${PROJECT_VERSION}-1)' on top")
endif()
set(VELMORA_PACKAGE_REVISION ${CMAKE_MATCH_2})
file(STRINGS ${VELMORA_PACKAGING_DIR}/changelog.in VELMORA_CHANGELOG_TRAILER REGEX "^ -- "
  LIMIT_COUNT 1)
if(NOT VELMORA_CHANGELOG_TRAILER MATCHES ">  (.+)$")
  message(FATAL_ERROR "packaging/changelog.in: the latest entry has no ' -- NAME <ADDRESS>  DATE' line")
endif()
execute_process(COMMAND date -u -d "${CMAKE_MATCH_1}" +%s
  OUTPUT_VARIABLE VELMORA_RELEASE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND date -u -d "@${VELMORA_RELEASE_EPOCH}" +%F
  OUTPUT_VARIABLE VELMORA_RELEASE_DATE OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)

find_program(VELMORA_GZIP gzip REQUIRED)
configure_file(${VELMORA_PACKAGING_DIR}/changelog.in ${VELMORA_PACKAGING_OUT}/changelog.Debian @ONLY)
configure_file(${VELMORA_PACKAGING_DIR}/copyright.in ${VELMORA_PACKAGING_OUT}/copyright @ONLY)
# gzip -n: no name and time stamp inside, so the same changelog gives the same bytes.
add_custom_command(OUTPUT ${VELMORA_PACKAGING_OUT}/changelog.Debian.gz
  COMMAND ${VELMORA_GZIP} -9nkf ${VELMORA_PACKAGING_OUT}/changelog.Debian
  DEPENDS ${VELMORA_PACKAGING_OUT}/changelog.Debian
  VERBATIM)
set(VELMORA_DOCUMENTS ${VELMORA_PACKAGING_OUT}/changelog.Debian.gz)
install(FILES ${VELMORA_PACKAGING_OUT}/copyright ${VELMORA_PACKAGING_OUT}/changelog.Debian.gz
  DESTINATION ${VELMORA_DOC_DIR})
install(FILES ${VELMORA_PACKAGING_DIR}/lintian-overrides
  DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME velmora)

# A manual page per program, made by help2man from its --help and --version, dated with the
# release. Without help2man the build goes on without them (scripts/check-package then fails).
find_program(VELMORA_HELP2MAN help2man)
if(VELMORA_HELP2MAN)
  set(VELMORA_MAN_NAME_velmora "serial flash chip programmer (desktop program)")
  set(VELMORA_MAN_NAME_velmora-cli "serial flash chip programmer (command line)")
  set(VELMORA_MAN_NAME_velmora-sim "simulator of the Velmora programmer board")
  foreach(program ${VELMORA_PROGRAMS})
    set(VELMORA_SEE_ALSO ${VELMORA_PROGRAMS})
    list(REMOVE_ITEM VELMORA_SEE_ALSO ${program})
    list(TRANSFORM VELMORA_SEE_ALSO APPEND "\\fR(1)")
    list(TRANSFORM VELMORA_SEE_ALSO PREPEND "\\fB")
    list(JOIN VELMORA_SEE_ALSO ", " VELMORA_SEE_ALSO)
    # The program's own sections (packaging/PROGRAM.h2m), the files velmora and velmora-cli
    # share, and the sections of every page.
    set(includes)
    if(EXISTS ${VELMORA_PACKAGING_DIR}/${program}.h2m)
      list(APPEND includes ${VELMORA_PACKAGING_DIR}/${program}.h2m)
    endif()
    if(NOT program STREQUAL "velmora-sim")
      list(APPEND includes ${VELMORA_PACKAGING_DIR}/files.h2m)
    endif()
    configure_file(${VELMORA_PACKAGING_DIR}/manpage.h2m.in ${VELMORA_PACKAGING_OUT}/${program}.h2m
      @ONLY)
    list(APPEND includes ${VELMORA_PACKAGING_OUT}/${program}.h2m)
    set(include_options ${includes})
    list(TRANSFORM include_options PREPEND "--include=")
    set(page ${VELMORA_PACKAGING_OUT}/${program}.1)
    add_custom_command(OUTPUT ${page}.gz
      COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${VELMORA_RELEASE_EPOCH} LC_ALL=C.UTF-8
        ${VELMORA_HELP2MAN} --no-info --name=${VELMORA_MAN_NAME_${program}} ${include_options}
        --output=${page} $<TARGET_FILE:${program}>
      COMMAND ${VELMORA_GZIP} -9nf ${page}
      DEPENDS ${program} ${includes}
      COMMENT "Manual page of ${program}"
      VERBATIM)
    list(APPEND VELMORA_DOCUMENTS ${page}.gz)
    install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
else()
  message(WARNING "help2man not found: the programs are installed without manual pages")
endif()
add_custom_target(velmora_documents ALL DEPENDS ${VELMORA_DOCUMENTS})

if(TARGET velmora-cli)
  install(FILES ${VELMORA_PACKAGING_DIR}/velmora-cli.bash-completion
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME velmora-cli)
endif()

# The desktop program's entry, icons and AppStream file, named by its id.
if(TARGET velmora)
  install(FILES ${VELMORA_PACKAGING_DIR}/velmora.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications RENAME ${VELMORA_APP_ID}.desktop)
  foreach(size 16 32 64 256)
    install(FILES ${PROJECT_SOURCE_DIR}/ui/pictures/velmora-${size}.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
      RENAME velmora.png)
  endforeach()
  configure_file(${VELMORA_PACKAGING_DIR}/velmora.metainfo.xml.in
    ${VELMORA_PACKAGING_OUT}/${VELMORA_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${VELMORA_PACKAGING_OUT}/${VELMORA_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE ${VELMORA_PACKAGE_REVISION})
set(CPACK_PACKAGE_VENDOR "Velmora")
set(CPACK_PACKAGE_CONTACT "${VELMORA_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Serial flash chip programmer: desktop program and tools")
# The lines of the long description stay within 80 columns, as the package tools show them.
set(CPACK_PACKAGE_DESCRIPTION
  "Writes, reads, erases and compares AT45DB161B serial flash chips through the
Velmora programmer on a serial port. Contains the desktop program velmora, the
command-line program velmora-cli and the programmer simulator velmora-sim.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# Library dependencies come from the programs themselves; what they load at run time is named
# here: the PostgreSQL client library, and the toolkit's window-system plugins and its Russian
# translations.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libpq5")
if(TARGET velmora)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libpq5, qt6-qpa-plugins, qt6-translations-l10n")
endif()
set(CPACK_STRIP_FILES ON)
include(CPack)
