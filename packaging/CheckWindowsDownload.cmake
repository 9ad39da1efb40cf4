# cmake -DBUILD_DIR=... -DARCHIVE=....zip -DFOLDER=name -DOBJDUMP=objdump "-DPROGRAMS=a.exe;b.exe"
#   -P CheckWindowsDownload.cmake
# Makes the Windows download with cpack and fails unless it holds exactly the two programs, the
# README.txt and the sample image in its folder, and the programs import only DLLs that come with
# Windows.
file(REMOVE ${ARCHIVE})
execute_process(COMMAND ${CMAKE_CPACK_COMMAND} -G ZIP --config ${BUILD_DIR}/CPackConfig.cmake
  WORKING_DIRECTORY ${BUILD_DIR} RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT code EQUAL 0 OR NOT EXISTS ${ARCHIVE})
  message(FATAL_ERROR "cpack made no ${ARCHIVE}:\n${out}")
endif()

execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${ARCHIVE}
  RESULT_VARIABLE code OUTPUT_VARIABLE listing)
string(REPLACE "\n" ";" entries "${listing}")
list(FILTER entries EXCLUDE REGEX "/$|^$")
list(SORT entries)
set(expected ${FOLDER}/README.txt ${FOLDER}/samples/small.ldr ${FOLDER}/velmora-cli.exe
  ${FOLDER}/velmora.exe)
if(NOT entries STREQUAL expected)
  message(FATAL_ERROR "${ARCHIVE} holds\n  ${entries}\nnot\n  ${expected}")
endif()

# The window's controls, dialogs and drawing come from Windows' own DLLs as well.
foreach(program IN LISTS PROGRAMS)
  get_filename_component(name ${program} NAME)
  execute_process(COMMAND ${OBJDUMP} -p ${program} OUTPUT_VARIABLE headers
    COMMAND_ERROR_IS_FATAL ANY)
  string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
  foreach(import ${imports})
    string(REPLACE "DLL Name: " "" dll "${import}")
    string(TOLOWER "${dll}" dll)
    if(NOT dll MATCHES
        "^(kernel32|msvcrt|shell32|advapi32|user32|ntdll|ws2_32|bcrypt|gdi32|comctl32|comdlg32|uxtheme)\\.dll$"
        AND NOT dll MATCHES "^api-ms-win-")
      message(FATAL_ERROR "${name} needs ${dll}, which Windows does not bring")
    endif()
  endforeach()
endforeach()
