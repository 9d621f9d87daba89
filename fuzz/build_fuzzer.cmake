# Run by CTest (cmake -P): configures and builds the fuzz target with clang into its own
# directory, so the editor's own build can use any compiler.
# Expects SOURCE (this directory), BINARY (the build directory) and CXX (clang++).
foreach(step IN ITEMS configure build)
  if(step STREQUAL "configure")
    set(command ${CMAKE_COMMAND} -S ${SOURCE} -B ${BINARY} -DCMAKE_CXX_COMPILER=${CXX})
  else()
    set(command ${CMAKE_COMMAND} --build ${BINARY} --parallel 2)
  endif()
  execute_process(COMMAND ${command} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "Fuzz target ${step} failed: ${result}")
  endif()
endforeach()
