# Configuring in a scratch directory with every test tool hidden must succeed with the
# program alone and say which parts are off; asking for a part whose tool is hidden must fail.
set(scratch ${CMAKE_BINARY_DIR}/configure-check)
set(hidden -DCMAKE_DISABLE_FIND_PACKAGE_GTest=TRUE -DGRAPH_EDITOR_PYTHON=${scratch}/no-python3
    -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=TRUE)
add_test(NAME configure_without_test_tools
  COMMAND ${CMAKE_COMMAND} -S ${CMAKE_SOURCE_DIR} -B ${scratch}/auto --fresh ${hidden})
add_test(NAME configure_fails_when_a_part_is_asked_for
  COMMAND ${CMAKE_COMMAND} -S ${CMAKE_SOURCE_DIR} -B ${scratch}/on --fresh ${hidden}
          -DGRAPH_EDITOR_BENCH=ON)
set_tests_properties(configure_without_test_tools PROPERTIES
  PASS_REGULAR_EXPRESSION "unit tests are switched off.*window tests are switched off.*benchmarks are switched off.*Generating done"
  FAIL_REGULAR_EXPRESSION "CMake Error")
set_tests_properties(configure_fails_when_a_part_is_asked_for PROPERTIES
  PASS_REGULAR_EXPRESSION "GRAPH_EDITOR_BENCH is ON, but the benchmarks need libbenchmark-dev")
