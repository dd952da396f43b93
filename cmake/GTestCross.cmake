# GoogleTest for a cross build (the Windows program, made with MinGW).
#
# A host build finds the installed GoogleTest with find_package(GTest). A
# cross build cannot link the host's libraries, so this file compiles
# GoogleTest from source with the target compiler: Debian's googletest package
# ships the sources in /usr/src/googletest (another place can be given with
# -DDK_GTEST_SOURCE_DIR=...). It then answers find_package(GTest) with those
# targets, so the tests' own CMakeLists.txt reads the same in both builds.
#
# The win32 preset includes this file after project() (CMAKE_PROJECT_INCLUDE);
# including it again, or in a host build, does nothing.
include_guard(GLOBAL)

if(NOT CMAKE_CROSSCOMPILING)
  return()
endif()

set(DK_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources, compiled in cross builds")
if(NOT EXISTS ${DK_GTEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest sources in '${DK_GTEST_SOURCE_DIR}' for the cross build: "
                      "install Debian's googletest package or set DK_GTEST_SOURCE_DIR")
endif()

set(INSTALL_GTEST OFF CACHE BOOL "Install GoogleTest with the project")
set(BUILD_GMOCK ON CACHE BOOL "Build GoogleMock")
add_subdirectory(${DK_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# GoogleTest's own sources are not held to the project's warning flags.
foreach(dk_gtest_target gtest gtest_main gmock gmock_main)
  target_compile_options(${dk_gtest_target} PRIVATE -w)
endforeach()

# find_package() looks in this folder before anywhere else, even before
# FindGTest.cmake; the targets GTest::gtest, GTest::gtest_main, GTest::gmock
# and GTest::gmock_main already exist, so the package file only says so.
file(WRITE ${CMAKE_FIND_PACKAGE_REDIRECTS_DIR}/gtest-config.cmake
     "# GoogleTest compiled from source for the cross build (cmake/GTestCross.cmake).\n")

# Test discovery runs the test program; a Windows program needs Wine for that,
# so discovery waits until ctest runs instead of running at build time.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
