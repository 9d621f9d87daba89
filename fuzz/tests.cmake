# CTest entries for the graph text fuzz target: build it with clang, replay the saved
# corpus as an ordinary test, and fuzz for a bounded time. The sanitizer build skips
# them by default: the fuzz target carries its own sanitizers.
include(CMakeDependentOption)
cmake_dependent_option(GRAPH_EDITOR_FUZZ "Build the graph text fuzz target with clang and run it"
  ON "NOT GRAPH_EDITOR_SANITIZE" OFF)
set(GRAPH_EDITOR_FUZZ_SECONDS 60 CACHE STRING "How long the fuzz test runs")

if(GRAPH_EDITOR_FUZZ)
  find_program(GRAPH_EDITOR_CLANGXX NAMES clang++ clang++-14)
  if(NOT GRAPH_EDITOR_CLANGXX)
    message(FATAL_ERROR "The fuzz tests need clang++ and libclang-rt; install them or "
                        "configure with -DGRAPH_EDITOR_FUZZ=OFF.")
  endif()

  set(fuzzSource ${CMAKE_CURRENT_SOURCE_DIR}/fuzz)
  set(fuzzBinary ${CMAKE_BINARY_DIR}/fuzz)
  set(fuzzer ${fuzzBinary}/graph_text_fuzz)
  # New inputs the fuzzer finds go here, never into the saved corpus in the source tree.
  set(workCorpus ${CMAKE_BINARY_DIR}/fuzz-corpus)
  file(MAKE_DIRECTORY ${workCorpus})

  add_test(NAME graph_text_fuzz_build
    COMMAND ${CMAKE_COMMAND} -DSOURCE=${fuzzSource} -DBINARY=${fuzzBinary}
            -DCXX=${GRAPH_EDITOR_CLANGXX} -P ${fuzzSource}/build_fuzzer.cmake)
  set_tests_properties(graph_text_fuzz_build PROPERTIES FIXTURES_SETUP graph_text_fuzzer)

  add_test(NAME graph_text_fuzz_corpus COMMAND ${fuzzer} -runs=0 ${fuzzSource}/corpus)

  add_test(NAME graph_text_fuzz_run
    COMMAND ${fuzzer} -max_total_time=${GRAPH_EDITOR_FUZZ_SECONDS}
            -dict=${fuzzSource}/graph.dict -artifact_prefix=${fuzzBinary}/
            -print_final_stats=1 ${workCorpus} ${fuzzSource}/corpus)

  set_tests_properties(graph_text_fuzz_corpus graph_text_fuzz_run PROPERTIES
    FIXTURES_REQUIRED graph_text_fuzzer LABELS fuzz)
  set_tests_properties(graph_text_fuzz_run PROPERTIES TIMEOUT 600)
endif()
