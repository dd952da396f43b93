# The version of drawer-kick-test, kept in one place: the file VERSION at the
# top of the source tree, set by hand to MAJOR.MINOR.PATCH for a release.
#
# In a git clone with its full history, the commits made since VERSION last
# changed are the build number: the commit that sets VERSION to 1.10.0 builds
# 1.10.0, the fifth commit after it 1.10.0+5.g<commit>. Windows gets the four
# numbers 1.10.0.5; Debian sorts 1.10.0 < 1.10.0+5.g... < 1.10.1.
# Where git cannot count, the version says so instead of guessing:
#   - no git, no commit yet, or the tree is not the top of a git work tree (a
#     release's source copy inside build/): VERSION is read as it is; the release writes the
#     full form (1.10.0+5.g<commit>) into such a copy;
#   - a shallow clone (a CI checkout at depth 1): the count is unknown, so the
#     version is 1.10.0+g<commit> with build number 0.
#
# Included by CMake projects: sets DK_VERSION (the text) and DK_VERSION_MAJOR,
# _MINOR, _PATCH, _BUILD (numbers, each at most 65535 as Windows needs).
# Run as a script (cmake -P cmake/Version.cmake) it prints DK_VERSION, or with
# -DDK_VERSION_FIELDS=ON the five values on one line.

function(dk_read_version source_dir)
  set(file ${source_dir}/VERSION)
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "${file} is missing: it holds the version, e.g. 1.10.0")
  endif()
  file(STRINGS ${file} lines LIMIT_COUNT 1)
  string(STRIP "${lines}" text)
  set(number "(0|[1-9][0-9]*)")
  if(NOT text MATCHES "^${number}\\.${number}\\.${number}(\\+(${number}\\.)?g[0-9a-f]+)?$")
    message(FATAL_ERROR "${file} must hold MAJOR.MINOR.PATCH (e.g. 1.10.0), not '${text}'")
  endif()
  string(REGEX REPLACE "\\+.*" "" base "${text}")
  set(build 0)
  if(text MATCHES "\\+([0-9]+)\\.g")
    set(build ${CMAKE_MATCH_1})
  endif()

  find_package(Git QUIET)
  set(top "")
  set(DK_VERSION_GIT_FILES "" PARENT_SCOPE)
  if(GIT_FOUND AND NOT text MATCHES "\\+")
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --show-toplevel
                    WORKING_DIRECTORY ${source_dir} OUTPUT_VARIABLE top
                    RESULT_VARIABLE failed OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET
                    TIMEOUT 30)
    # A repository without a commit has nothing to count from either.
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --verify -q HEAD
                    WORKING_DIRECTORY ${source_dir} RESULT_VARIABLE no_commit
                    OUTPUT_QUIET ERROR_QUIET TIMEOUT 30)
    if(failed OR no_commit)
      set(top "")
    endif()
  endif()
  # A copy of the sources below some other git work tree is not that tree.
  get_filename_component(real_source ${source_dir} REALPATH)
  if(NOT top STREQUAL "")
    get_filename_component(top ${top} REALPATH)
  endif()
  if(NOT top STREQUAL "" AND top STREQUAL real_source)
    macro(dk_git out)
      execute_process(COMMAND ${GIT_EXECUTABLE} ${ARGN} WORKING_DIRECTORY ${source_dir}
                      OUTPUT_VARIABLE ${out} RESULT_VARIABLE git_failed
                      OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET TIMEOUT 30)
      if(git_failed)
        message(FATAL_ERROR "git ${ARGN} failed in ${source_dir}")
      endif()
    endmacro()
    dk_git(commit rev-parse --short=12 HEAD)
    # A new commit changes the version: configure again when HEAD moves.
    dk_git(head_file rev-parse --path-format=absolute --git-path HEAD)
    dk_git(ref_file rev-parse --path-format=absolute --git-path logs/HEAD)
    set(DK_VERSION_GIT_FILES ${head_file} ${ref_file} PARENT_SCOPE)
    dk_git(shallow rev-parse --is-shallow-repository)
    dk_git(set_by log -1 --format=%H -- VERSION)
    execute_process(COMMAND ${GIT_EXECUTABLE} diff --quiet HEAD -- VERSION
                    WORKING_DIRECTORY ${source_dir} RESULT_VARIABLE version_edited
                    OUTPUT_QUIET ERROR_QUIET TIMEOUT 30)
    # A shallow clone cannot count; a VERSION not committed yet has no start.
    if(shallow STREQUAL "true" OR set_by STREQUAL "" OR version_edited)
      set(text "${base}+g${commit}")
    else()
      dk_git(build rev-list --count ${set_by}..HEAD)
      if(NOT build EQUAL 0)
        set(text "${base}+${build}.g${commit}")
      endif()
    endif()
  endif()

  string(REPLACE "." ";" parts "${base}")
  list(GET parts 0 major)
  list(GET parts 1 minor)
  list(GET parts 2 patch)
  foreach(value ${major} ${minor} ${patch} ${build})
    if(value GREATER 65535)
      message(FATAL_ERROR "version ${text}: a Windows version number is at most 65535")
    endif()
  endforeach()
  set(DK_VERSION ${text} PARENT_SCOPE)
  set(DK_VERSION_MAJOR ${major} PARENT_SCOPE)
  set(DK_VERSION_MINOR ${minor} PARENT_SCOPE)
  set(DK_VERSION_PATCH ${patch} PARENT_SCOPE)
  set(DK_VERSION_BUILD ${build} PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  if(NOT DEFINED DK_SOURCE_DIR)
    get_filename_component(DK_SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
  endif()
  dk_read_version(${DK_SOURCE_DIR})
  if(DK_VERSION_FIELDS)
    set(line "${DK_VERSION} ${DK_VERSION_MAJOR} ${DK_VERSION_MINOR} ${DK_VERSION_PATCH} ${DK_VERSION_BUILD}")
  else()
    set(line "${DK_VERSION}")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E echo "${line}")
else()
  get_filename_component(dk_version_source ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
  dk_read_version(${dk_version_source})
  # Configure again when VERSION or the commit changes.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${dk_version_source}/VERSION)
  foreach(file ${DK_VERSION_GIT_FILES})
    if(EXISTS ${file})
      set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
    endif()
  endforeach()
endif()
