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

# velmora_runs_threaded_tests(TARGET...)
# Names programs that tests labelled "threaded" run; the target velmora_threaded_tests builds
# them all, so a ThreadSanitizer build need not build the rest.
function(velmora_runs_threaded_tests)
  if(NOT TARGET velmora_threaded_tests)
    add_custom_target(velmora_threaded_tests)
  endif()
  add_dependencies(velmora_threaded_tests ${ARGN})
endfunction()

# velmora_add_test(NAME SOURCES src... LIBS lib... [THREADED])
# Builds one GoogleTest executable and registers its tests with CTest. THREADED marks tests
# that exercise background threads; the ThreadSanitizer build runs only those
# (label "threaded").
# GoogleTest's header is parsed once per build, into a precompiled header that every test
# program reuses (it takes longer to read than most test files).
function(velmora_add_test name)
  cmake_parse_arguments(ARG "THREADED" "" "SOURCES;LIBS" ${ARGN})
  if(NOT TARGET velmora_test_pch)
    set(source ${PROJECT_BINARY_DIR}/velmora_test_pch.cpp)
    file(CONFIGURE OUTPUT ${source}
      CONTENT "// Only carries the precompiled GoogleTest header of the tests.\n")
    add_library(velmora_test_pch STATIC ${source})
    target_link_libraries(velmora_test_pch PRIVATE GTest::gtest)
    target_precompile_headers(velmora_test_pch PRIVATE <gtest/gtest.h>)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  target_precompile_headers(${name} REUSE_FROM velmora_test_pch)
  set(labels unit)
  if(ARG_THREADED)
    set(labels threaded)
    velmora_runs_threaded_tests(${name})
  endif()
  # A cross build lists its tests when ctest starts, one program after the other, instead of
  # running each new program under the emulator in the middle of the build.
  set(discovery_mode POST_BUILD)
  if(CMAKE_CROSSCOMPILING)
    set(discovery_mode PRE_TEST)
  endif()
  gtest_discover_tests(${name}
    PROPERTIES LABELS "${labels}" ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    DISCOVERY_TIMEOUT 60 DISCOVERY_MODE ${discovery_mode})
endfunction()

# The Windows build: nlohmann-json is headers only, so the cross build uses the build machine's
# copy. Its package configuration would put all of /usr/include on the include path, where the
# build machine's C library headers would hide MinGW's; a folder in the build tree holding only
# the library's own header folder stands in for it.
function(velmora_use_host_nlohmann_json)
  set(header_folder /usr/include/nlohmann)
  if(NOT EXISTS ${header_folder}/json.hpp)
    message(FATAL_ERROR "nlohmann-json headers not found in ${header_folder} (scripts/setup installs them)")
  endif()
  set(include_dir ${PROJECT_BINARY_DIR}/host-include)
  file(MAKE_DIRECTORY ${include_dir})
  file(CREATE_LINK ${header_folder} ${include_dir}/nlohmann SYMBOLIC)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED GLOBAL)
  target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${include_dir})
endfunction()
