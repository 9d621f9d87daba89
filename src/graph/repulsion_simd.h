#pragma once

// The SIMD repulsion passes. Each processor family has one file that knows which of them
// its builds contain and how to ask the CPU for them: repulsion_x86.cpp,
// repulsion_neon.cpp, or repulsion_none.cpp for every other processor. The build picks
// the file; only repulsion_path.cpp calls it.

#include "graph/repulsion_path.h"
#include "graph/store.h"

#include <cstddef>

// Adds to nodes[i].vel the summed repulsion of every other node, for i in [0, n), with
// c = constant and q = sep * sep.
using RepulsionPass = void (*)(Object* nodes, std::size_t n, float c, float q);

// The pass of a SIMD path that this build has and this CPU runs; nullptr otherwise, and
// for kPlain.
RepulsionPass simdRepulsionPass(RepulsionPath path);

// The passes themselves, each in a file built for its own instruction set.
void repulsionPassSse2(Object* nodes, std::size_t n, float c, float q);
void repulsionPassAvx2(Object* nodes, std::size_t n, float c, float q);
void repulsionPassNeon(Object* nodes, std::size_t n, float c, float q);
