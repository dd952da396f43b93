# Cross build of the 32-bit Windows program with Debian's MinGW-w64 (package
# g++-mingw-w64-i686). The posix-threads flavour of the compiler is used
# because the core relies on std::thread and std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(DK_MINGW_PREFIX i686-w64-mingw32 CACHE STRING "Target triplet of the MinGW-w64 tools")

find_program(CMAKE_C_COMPILER NAMES ${DK_MINGW_PREFIX}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${DK_MINGW_PREFIX}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${DK_MINGW_PREFIX}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${DK_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained .exe: the C and C++ runtimes and winpthread are linked in,
# so the program runs on a bare Windows with no MinGW DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs (and gtest's test discovery) run under Wine; WINEPREFIX and
# WINEDEBUG come from the caller's environment.
find_program(DK_WINE NAMES wine)
if(DK_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${DK_WINE})
endif()
