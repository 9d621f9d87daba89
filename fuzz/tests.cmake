# The graph text fuzz target, built with clang as a project of its own (fuzz/) whatever
# compiler builds the editor; a replay of its saved corpus; and a fuzzing run of bounded
# time. New inputs the fuzzer finds go to the build tree, never into the saved corpus.
include(ExternalProject)
set(GRAPH_EDITOR_FUZZ_SECONDS 30 CACHE STRING "How long the fuzz test runs")
set(fuzzSource ${CMAKE_CURRENT_SOURCE_DIR}/fuzz)
set(fuzzer ${CMAKE_BINARY_DIR}/fuzz/graph_text_fuzz)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz-corpus)
# BUILD_ALWAYS: the outer build cannot see the editor's sources change under the inner one.
ExternalProject_Add(graph_text_fuzz SOURCE_DIR ${fuzzSource} BINARY_DIR ${CMAKE_BINARY_DIR}/fuzz
  CMAKE_ARGS -DCMAKE_CXX_COMPILER=${GRAPH_EDITOR_CLANGXX} INSTALL_COMMAND "" BUILD_ALWAYS TRUE)

add_test(NAME graph_text_fuzz_corpus COMMAND ${fuzzer} -runs=0 ${fuzzSource}/corpus)
add_test(NAME graph_text_fuzz_run COMMAND ${fuzzer} -max_total_time=${GRAPH_EDITOR_FUZZ_SECONDS}
  -dict=${fuzzSource}/graph.dict -artifact_prefix=${CMAKE_BINARY_DIR}/fuzz/ -print_final_stats=1
  ${CMAKE_BINARY_DIR}/fuzz-corpus ${fuzzSource}/corpus)
set_tests_properties(graph_text_fuzz_corpus graph_text_fuzz_run PROPERTIES LABELS fuzz TIMEOUT 600)
