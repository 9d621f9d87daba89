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
    for (RepulsionPath path : kRepulsionPaths) {
        if (repulsionPathAvailable(path)) return path;
    }
    return RepulsionPath::kPlain;
}

}  // namespace

const char* repulsionPathName(RepulsionPath path) {
    switch (path) {
        case RepulsionPath::kPlain: return "plain";
        case RepulsionPath::kSse2: return "sse2";
        case RepulsionPath::kAvx2: return "avx2";
        case RepulsionPath::kNeon: return "neon";
    }
    return "unknown";
}

bool repulsionPathAvailable(RepulsionPath path) {
    return path == RepulsionPath::kPlain || simdRepulsionPass(path) != nullptr;
}

RepulsionPath fastestRepulsionPath() {
    static const RepulsionPath fastest = detectFastestPath();
    return fastest;
}

void repulsionPass(RepulsionPath path) {
    if (const RepulsionPass simd = simdRepulsionPass(path)) {
        simd(objects.data(), objects.size(), constant, sep * sep);
    } else {
        plainRepulsionPass();
    }
}
