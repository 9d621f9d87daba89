#pragma once

// Entry points of the SIMD repulsion passes, each built for its own instruction set.
// Only repulsion_path.cpp calls them, after checking that the CPU has it.

#include "graph/store.h"

#include <cstddef>

// Adds to nodes[i].vel the summed repulsion of every other node, for i in [0, n), with
// c = constant and q = sep * sep.
void repulsionPassSse2(Object* nodes, std::size_t n, float c, float q);
void repulsionPassAvx2(Object* nodes, std::size_t n, float c, float q);
