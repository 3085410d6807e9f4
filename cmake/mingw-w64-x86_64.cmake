# Cross build for 64-bit Windows with Debian's mingw-w64 (posix threads variant, so that the
# standard library's threads and mutexes are there). Every program is one self-contained .exe:
# the C and C++ runtimes and the threads library are linked in, and only system DLLs remain.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(SCENARIO_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${SCENARIO_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SCENARIO_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${SCENARIO_MINGW_TRIPLET}-windres)

# Libraries and headers come from the target's tree only; programs (the build's own tools) from
# the host.
set(CMAKE_FIND_ROOT_PATH /usr/${SCENARIO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs, and the tests that start the built programs, run under Wine with a prefix of
# their own inside the build directory.
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR
    "${CMAKE_CURRENT_LIST_DIR}/../scripts/windows-wine.sh;--prefix;${CMAKE_BINARY_DIR}/wine-prefix")
endif()
