# dk_add_fuzz_target(NAME SOURCE <file> LIBS <targets...> CORPUS <dir>)
#
# Always builds NAME_replay, which runs every file of the corpus through the
# target's LLVMFuzzerTestOneInput, and registers it with CTest (label fuzz),
# so the kept corpus and every crash once found stay regression cases.
# With DK_FUZZ on (clang), also builds NAME, the libFuzzer binary.
set(DK_FUZZ_REPLAY_MAIN ${CMAKE_CURRENT_LIST_DIR}/../tests/fuzz/replay_main.cpp)

function(dk_add_fuzz_target name)
  cmake_parse_arguments(FUZZ "" "SOURCE;CORPUS" "LIBS" ${ARGN})
  add_executable(${name}_replay ${FUZZ_SOURCE} ${DK_FUZZ_REPLAY_MAIN})
  target_link_libraries(${name}_replay PRIVATE ${FUZZ_LIBS})
  if(DK_BUILD_TESTS)
    add_test(NAME ${name}_corpus COMMAND ${name}_replay ${FUZZ_CORPUS})
    set_tests_properties(${name}_corpus PROPERTIES LABELS fuzz)
  endif()
  if(DK_FUZZ)
    add_executable(${name} ${FUZZ_SOURCE})
    target_link_libraries(${name} PRIVATE ${FUZZ_LIBS})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  endif()
endfunction()
