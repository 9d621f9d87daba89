// SIMD paths on x86, 64- and 32-bit. The SSE2 pass is built with the baseline flags
// (SSE2 is part of every x86-64 CPU, and 32-bit builds require it for their arithmetic
// anyway); the AVX2 pass has its own flag and runs only where the CPU says it has AVX2.

#include "graph/repulsion_simd.h"

// The CPU is asked after start-up, once libgcc's constructor has read its features.
RepulsionPass simdRepulsionPass(RepulsionPath path) {
    switch (path) {
        case RepulsionPath::kSse2: return __builtin_cpu_supports("sse2") ? repulsionPassSse2 : nullptr;
        case RepulsionPath::kAvx2: return __builtin_cpu_supports("avx2") ? repulsionPassAvx2 : nullptr;
        default: return nullptr;
    }
}
