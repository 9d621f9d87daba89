#include "graph/repulsion_path.h"

#include "graph/force.h"
#include "graph/repulsion_simd.h"
#include "graph/store.h"

#include <cstddef>

namespace {

// Every ordered pair of distinct nodes, summed per node in ascending j before it touches
// the velocity: single-precision sums depend on that order. The SIMD paths keep it.
void plainRepulsionPass() {
    const std::size_t n = objects.size();
    float out[2];
    for (std::size_t i = 0; i < n; ++i) {
        float sum[2] = {0.0f, 0.0f};
        for (std::size_t j = 0; j < n; ++j) {
            if (j == i) continue;
            force(objects[i], objects[j], out, false);
            sum[0] = out[0] + sum[0];
            sum[1] = out[1] + sum[1];
        }
        objects[i].vel[0] = sum[0] + objects[i].vel[0];
        objects[i].vel[1] = sum[1] + objects[i].vel[1];
    }
}

RepulsionPath detectFastestPath() {
#if defined(GRAPH_EDITOR_X86_LANES)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) return RepulsionPath::kAvx2;
    return RepulsionPath::kSse2;
#else
    return RepulsionPath::kPlain;
#endif
}

}  // namespace

const char* repulsionPathName(RepulsionPath path) {
    switch (path) {
        case RepulsionPath::kPlain: return "plain";
        case RepulsionPath::kSse2: return "sse2";
        case RepulsionPath::kAvx2: return "avx2";
    }
    return "unknown";
}

bool repulsionPathAvailable(RepulsionPath path) {
    switch (path) {
        case RepulsionPath::kPlain: return true;
        // Every x86-64 CPU has SSE2, so it is there wherever a SIMD path is built.
        case RepulsionPath::kSse2: return fastestRepulsionPath() != RepulsionPath::kPlain;
        case RepulsionPath::kAvx2: return fastestRepulsionPath() == RepulsionPath::kAvx2;
    }
    return false;
}

RepulsionPath fastestRepulsionPath() {
    static const RepulsionPath fastest = detectFastestPath();
    return fastest;
}

void repulsionPass(RepulsionPath path) {
    if (!repulsionPathAvailable(path)) path = RepulsionPath::kPlain;
    const float q = sep * sep;
    switch (path) {
#if defined(GRAPH_EDITOR_X86_LANES)
        case RepulsionPath::kAvx2: repulsionPassAvx2(objects.data(), objects.size(), constant, q); return;
        case RepulsionPath::kSse2: repulsionPassSse2(objects.data(), objects.size(), constant, q); return;
#endif
        default: plainRepulsionPass(); return;
    }
}
