// Processors without a SIMD repulsion pass: the plain path runs alone.

#include "graph/repulsion_simd.h"

RepulsionPass simdRepulsionPass(RepulsionPath) {
    return nullptr;
}
