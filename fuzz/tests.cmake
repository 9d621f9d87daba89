# The graph text fuzz target, built with clang as a project of its own (fuzz/) whatever
# compiler builds the editor; a replay of its saved corpus; and a fuzzing run of bounded
# time. New inputs the fuzzer finds go to the build tree, never into the saved corpus.
include(ExternalProject)
set(GRAPH_EDITOR_FUZZ_SECONDS 30 CACHE STRING "How long the fuzz test runs")
set(fuzzSource ${CMAKE_CURRENT_SOURCE_DIR}/fuzz)
set(fuzzBinary ${CMAKE_BINARY_DIR}/fuzz)
set(fuzzer ${fuzzBinary}/graph_text_fuzz)
set(workCorpus ${CMAKE_BINARY_DIR}/fuzz-corpus)
file(MAKE_DIRECTORY ${workCorpus})

ExternalProject_Add(graph_text_fuzz
  SOURCE_DIR ${fuzzSource}
  BINARY_DIR ${fuzzBinary}
  CMAKE_ARGS -DCMAKE_CXX_COMPILER=${GRAPH_EDITOR_CLANGXX}
  INSTALL_COMMAND ""
  # The outer build cannot see the editor's sources change under it; the inner one can.
  BUILD_ALWAYS TRUE)

add_test(NAME graph_text_fuzz_corpus COMMAND ${fuzzer} -runs=0 ${fuzzSource}/corpus)
add_test(NAME graph_text_fuzz_run
  COMMAND ${fuzzer} -max_total_time=${GRAPH_EDITOR_FUZZ_SECONDS}
          -dict=${fuzzSource}/graph.dict -artifact_prefix=${fuzzBinary}/
          -print_final_stats=1 ${workCorpus} ${fuzzSource}/corpus)
set_tests_properties(graph_text_fuzz_corpus graph_text_fuzz_run PROPERTIES LABELS fuzz)
set_tests_properties(graph_text_fuzz_run PROPERTIES TIMEOUT 600)
