#include "graph/layout.h"

#include "graph/force.h"
#include "graph/repulsion_paths.h"
#include "graph/store.h"

#include <cmath>
#include <cstddef>

namespace {

constexpr float kTimeStep = 0.01f;
constexpr float kDamping = 0.9f;
constexpr float kLowerBound = 0.0f;
constexpr float kUpperBound = 1.0f;

// Every ordered pair of distinct nodes, summed per node in ascending j before it touches
// the velocity: single-precision sums depend on that order. The SIMD paths keep it.
void plainRepulsionPass(std::size_t n) {
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

// Edges naming a node that does not exist (a hand-edited file) are skipped; a repeated
// edge pulls once per copy.
void springPass(std::size_t n) {
    float out[2];
    for (const Edge& e : edges) {
        if (e.from >= n || e.to >= n) continue;
        Object& from = objects[e.from];
        Object& to = objects[e.to];
        force(from, to, out, true);
        from.vel[0] = out[0] + from.vel[0];
        from.vel[1] = out[1] + from.vel[1];
        force(to, from, out, true);
        to.vel[0] = out[0] + to.vel[0];
        to.vel[1] = out[1] + to.vel[1];
    }
}

// A huge `constant` (the "+" key doubles it without limit) makes the force law return
// infinities, or NaN where a zero axis sign meets them, and big graphs can overflow the
// sums. The clamp cannot catch NaN, so such a node would vanish for good. Dropping the
// broken component keeps the node where it is instead.
float finiteOrZero(float v) {
    return std::isfinite(v) ? v : 0.0f;
}

// Strict tests: exactly 0 and 1 stay, and so would NaN (which finiteOrZero keeps out).
float clampToUnit(float v) {
    if (v > kUpperBound) v = kUpperBound;
    if (v < kLowerBound) v = kLowerBound;
    return v;
}

// Moves by the undamped velocity; a clamped node keeps its outward velocity.
void movePass() {
    for (Object& o : objects) {
        for (int k = 0; k < 2; ++k) {
            o.vel[k] = finiteOrZero(o.vel[k]);
            o.pos[k] = kTimeStep * o.vel[k] + o.pos[k];
            o.pos[k] = clampToUnit(o.pos[k]);
        }
    }
}

void dampingPass() {
    for (Object& o : objects) {
        o.vel[0] = kDamping * o.vel[0];
        o.vel[1] = kDamping * o.vel[1];
    }
}

void repulsionPass(RepulsionPath path, std::size_t n) {
    if (!repulsionPathAvailable(path)) path = RepulsionPath::kPlain;
    const float q = sep * sep;
    switch (path) {
#if defined(GRAPH_EDITOR_X86_LANES)
        case RepulsionPath::kAvx2: repulsionPassAvx2(objects.data(), n, constant, q); return;
        case RepulsionPath::kSse2: repulsionPassSse2(objects.data(), n, constant, q); return;
#endif
        default: plainRepulsionPass(n); return;
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

void layoutStep(RepulsionPath path) {
    const std::size_t n = objects.size();
    repulsionPass(path, n);
    springPass(n);
    movePass();
    dampingPass();
}

void layoutStep() {
    layoutStep(fastestRepulsionPath());
}
