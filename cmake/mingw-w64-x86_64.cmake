# Cross-builds for 64-bit Windows with Debian's MinGW-w64 compiler (posix threads) and runs the
# test programs through wine. Used by scripts/build-windows:
#   cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VELMORA_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VELMORA_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELMORA_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VELMORA_MINGW_PREFIX}-windres)

# Libraries and headers come from the MinGW tree only; programs (such as the code generators of
# the build) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${VELMORA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The compiler's own runtime and the threads library go into every program, so that a .exe runs
# without DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Debian's wine64 package puts the 64-bit loader here and not on the PATH.
find_program(VELMORA_WINE64 NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(VELMORA_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VELMORA_WINE64})
endif()
