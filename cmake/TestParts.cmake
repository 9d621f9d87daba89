# The test parts and what each needs beyond the editor's own OpenGL, GLU and GLUT.
#
# Each part has a cache option: AUTO (the default) builds the part when its dependencies
# are there and otherwise switches it off with one message naming the Debian packages that
# would bring them; ON insists on them (a configure error without them); OFF leaves the
# part out. BUILD_TESTING=OFF leaves every part out. Dependencies are looked for only for a
# part that may be built. Sets <option>_ENABLED for each part.

# graph_editor_test_part(<option> <title> <finder> [<args>...]): <finder> is a function,
# called with <args>, that looks for the part's dependencies and appends the Debian
# packages it did not find to `missing` in its caller.
function(graph_editor_test_part option title finder)
  set(${option} AUTO CACHE STRING "Build the ${title}: AUTO, ON or OFF")
  set_property(CACHE ${option} PROPERTY STRINGS AUTO ON OFF)
  string(TOUPPER "${${option}}" wanted)
  set(enabled OFF)
  if(BUILD_TESTING AND (wanted STREQUAL "AUTO" OR ${option}))
    set(missing "")
    cmake_language(CALL ${finder} ${ARGN})
    list(JOIN missing " " missing)
    if(NOT missing)
      set(enabled ON)
    elseif(wanted STREQUAL "AUTO")
      message(STATUS "The ${title} are switched off; to build them, install ${missing} "
                     "(or configure with -D${option}=OFF to silence this)")
    else()
      message(FATAL_ERROR "${option} is ${${option}}, but the ${title} need ${missing}: "
                          "apt-get install ${missing}, or configure with -D${option}=OFF")
    endif()
  endif()
  set(${option}_ENABLED ${enabled} PARENT_SCOPE)
endfunction()

# A CMake package that should define <target>, from the Debian package <debian>.
function(graph_editor_find_package name target debian)
  find_package(${name} QUIET)
  if(NOT TARGET ${target})
    list(APPEND missing ${debian})
  endif()
  set(missing ${missing} PARENT_SCOPE)
endfunction()

# GoogleTest: the installed package, or for a cross build whose toolchain file names
# Debian's GoogleTest sources (GRAPH_EDITOR_GTEST_SOURCES), built from them with the
# cross compiler.
function(graph_editor_find_gtest)
  if(NOT GRAPH_EDITOR_GTEST_SOURCES)
    graph_editor_find_package(GTest GTest::gtest_main libgtest-dev)
  elseif(EXISTS ${GRAPH_EDITOR_GTEST_SOURCES}/CMakeLists.txt)
    set(INSTALL_GTEST OFF)
    add_subdirectory(${GRAPH_EDITOR_GTEST_SOURCES} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    # Its own code, its own warnings: ours are errors, its are not our business.
    set_target_properties(gtest gtest_main PROPERTIES COMPILE_WARNING_AS_ERROR OFF)
  else()
    list(APPEND missing googletest)
  endif()
  set(missing ${missing} PARENT_SCOPE)
endfunction()

# The window tests are a Python script that starts the real program on its own Xvfb and
# drives it through XTest with python-xlib. Debian's python3 comes first: one earlier on
# PATH may not see Debian's python3-xlib.
function(graph_editor_python_has_xlib result python)
  execute_process(COMMAND ${python} -c "import Xlib.ext.xtest" RESULT_VARIABLE failed
                  OUTPUT_QUIET ERROR_QUIET)
  if(failed)
    set(${result} FALSE PARENT_SCOPE)
  endif()
endfunction()

function(graph_editor_find_window_tools)
  find_program(GRAPH_EDITOR_PYTHON python3 HINTS /usr/bin VALIDATOR graph_editor_python_has_xlib
               DOC "python3 with python-xlib, for the window tests")
  if(NOT EXISTS "${GRAPH_EDITOR_PYTHON}")
    list(APPEND missing python3-xlib)
  endif()
  find_program(XVFB_EXECUTABLE Xvfb)
  if(NOT XVFB_EXECUTABLE)
    list(APPEND missing xvfb)
  endif()
  # The window manager the tests run under, as a user's desktop has one.
  find_program(OPENBOX_EXECUTABLE openbox)
  if(NOT OPENBOX_EXECUTABLE)
    list(APPEND missing openbox)
  endif()
  set(missing ${missing} PARENT_SCOPE)
endfunction()

# libFuzzer comes with clang's runtime, and the fuzz target is built by the build's own
# compiler, which must be clang (the fuzz preset): elsewhere it is left out unless asked for.
function(graph_editor_find_libfuzzer)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    list(APPEND missing "clang (and configure with CMAKE_CXX_COMPILER=clang++, as the fuzz preset does)")
  else()
    include(CheckCXXSourceCompiles)
    set(CMAKE_REQUIRED_FLAGS -fsanitize=fuzzer)
    check_cxx_source_compiles("extern \"C\" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }"
                              GRAPH_EDITOR_HAS_LIBFUZZER)
    if(NOT GRAPH_EDITOR_HAS_LIBFUZZER)
      list(APPEND missing libclang-rt-14-dev)
    endif()
  endif()
  set(missing ${missing} PARENT_SCOPE)
endfunction()
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  set(GRAPH_EDITOR_FUZZ OFF CACHE STRING "Build the fuzz tests: AUTO, ON or OFF")
endif()

graph_editor_test_part(GRAPH_EDITOR_UNIT_TESTS "unit tests" graph_editor_find_gtest)
graph_editor_test_part(GRAPH_EDITOR_WINDOW_TESTS "window tests" graph_editor_find_window_tools)
graph_editor_test_part(GRAPH_EDITOR_FUZZ "fuzz tests" graph_editor_find_libfuzzer)
graph_editor_test_part(GRAPH_EDITOR_BENCH "benchmarks"
                       graph_editor_find_package benchmark benchmark::benchmark libbenchmark-dev)
