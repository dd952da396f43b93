# Cross build of the Windows program with Debian's MinGW-w64: the 32-bit
# program that ships (preset win32, package g++-mingw-w64-i686) or the same
# sources as a 64-bit program (preset win64, package g++-mingw-w64-x86-64),
# for hosts whose kernel runs no 32-bit programs and so no 32-bit Wine.
# The posix-threads flavour of the compiler is used because the core relies
# on std::thread and std::mutex.
set(CMAKE_SYSTEM_NAME Windows)

set(DK_MINGW_PREFIX i686-w64-mingw32 CACHE STRING "Target triplet of the MinGW-w64 tools")
string(REGEX REPLACE "-.*" "" CMAKE_SYSTEM_PROCESSOR "${DK_MINGW_PREFIX}")

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

# Test programs (and gtest's test discovery) run under Wine. Wine's loader is
# named here, never left to the `wine` wrapper: the wrapper takes the 32-bit
# loader whenever its file exists, even on a host that cannot run it.
# WINEPREFIX and WINEDEBUG come from the caller's environment.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(DK_WINE_LOADER_NAME wine64)
else()
  set(DK_WINE_LOADER_NAME wine)
endif()
find_program(DK_WINE_LOADER NAMES ${DK_WINE_LOADER_NAME} PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(DK_WINE_LOADER)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${DK_WINE_LOADER})
endif()
