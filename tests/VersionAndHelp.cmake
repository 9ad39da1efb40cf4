# cmake -DPROGRAM=path -DNAME=name -DVERSION=version -P VersionAndHelp.cmake
# Fails unless "PROGRAM --version" prints exactly "NAME VERSION" and "PROGRAM --help" a usage
# that starts with "Usage: NAME " and lists --version, both exiting with 0 and nothing on
# standard error.
foreach(option --version --help)
  execute_process(COMMAND ${PROGRAM} ${option}
    RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
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
