# The language, warnings and floating-point flags, chosen by compiler.
# graph_editor_target(<target>) applies the flags to one of our own targets.
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)

#
# The layout must round every operation to single precision in the written order: never
# contract a*b+c into a fused multiply-add (GCC does by default wherever the processor has
# one, AArch64 for instance; Clang within an expression), never -ffast-math, and on 32-bit
# x86 never the x87 unit, whose wider registers round twice.
if(CMAKE_CXX_COMPILER_ID MATCHES "^(GNU|Clang|AppleClang)$")
  set(GRAPH_EDITOR_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wold-style-cast -Wconversion)
  set(GRAPH_EDITOR_FLOAT_FLAGS -ffp-contract=off)
  if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(i[3-6]86|x86)$")
    list(APPEND GRAPH_EDITOR_FLOAT_FLAGS -msse2 -mfpmath=sse)
  endif()
  set(GRAPH_EDITOR_AVX2_FLAG -mavx2)
else()
  message(FATAL_ERROR "No warning and floating-point flags are known for the "
                      "${CMAKE_CXX_COMPILER_ID} compiler. The layout needs single-precision "
                      "arithmetic without fused multiply-adds or wider intermediates; add the "
                      "flags that give it in cmake/CompilerFlags.cmake, or build with GCC or Clang.")
endif()

# C++ sources alone: the Windows program's resource script goes to windres, which knows none
# of these flags.
function(graph_editor_target target)
  target_compile_options(${target} PRIVATE
                         "$<$<COMPILE_LANGUAGE:CXX>:${GRAPH_EDITOR_WARNINGS};${GRAPH_EDITOR_FLOAT_FLAGS}>")
endfunction()
