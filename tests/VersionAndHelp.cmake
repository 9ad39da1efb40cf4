# cmake -DPROGRAM=path -DNAME=name -DVERSION=version [-DEMULATOR=wine] -P VersionAndHelp.cmake
# Fails unless "PROGRAM --version" prints exactly "NAME VERSION" and "PROGRAM --help" a usage
# that starts with "Usage: NAME " and lists --version, both exiting with 0 and nothing on
# standard error. A Windows program (run by EMULATOR) ends its lines with CR LF.
foreach(option --version --help)
  execute_process(COMMAND ${EMULATOR} ${PROGRAM} ${option}
    RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(REPLACE "\r\n" "\n" out "${out}")
  if(NOT code STREQUAL "0" OR NOT err STREQUAL "")
    message(FATAL_ERROR "${NAME} ${option}: exit code ${code}, standard error:\n${err}")
  endif()
  if(option STREQUAL "--version" AND NOT out STREQUAL "${NAME} ${VERSION}\n")
    message(FATAL_ERROR "${NAME} --version printed \"${out}\", not \"${NAME} ${VERSION}\"")
  endif()
  if(option STREQUAL "--help" AND NOT (out MATCHES "^Usage: ${NAME} " AND out MATCHES "--version"))
    message(FATAL_ERROR "${NAME} --help: no usage of ${NAME} listing --version in:\n${out}")
  endif()
endforeach()
