# Build settings shared by every target of the project.

add_compile_options(-Wall -Wextra -Wpedantic)
if(VELMORA_WERROR)
  add_compile_options(-Werror)
endif()

if(VELMORA_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(VELMORA_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT VELMORA_SANITIZE STREQUAL "")
  message(FATAL_ERROR "VELMORA_SANITIZE must be empty, 'address' or 'thread'")
endif()

# The fuzz build: every library gets the fuzzer's coverage instrumentation and the address and
# undefined-behaviour sanitizers; the fuzz targets link the fuzzer's main on top.
if(VELMORA_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "VELMORA_FUZZ needs clang (CXX=clang++)")
  endif()
  if(NOT VELMORA_SANITIZE STREQUAL "")
    message(FATAL_ERROR "VELMORA_FUZZ brings its own sanitizers: leave VELMORA_SANITIZE empty")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
    -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# velmora_add_test(NAME SOURCES src... LIBS lib... [THREADED])
# Builds one GoogleTest executable and registers its tests with CTest. THREADED marks tests
# that exercise background threads; the ThreadSanitizer build runs only those
# (label "threaded").
function(velmora_add_test name)
  cmake_parse_arguments(ARG "THREADED" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  set(labels unit)
  if(ARG_THREADED)
    set(labels threaded)
  endif()
  gtest_discover_tests(${name}
    PROPERTIES LABELS "${labels}" ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    DISCOVERY_TIMEOUT 60)
endfunction()
