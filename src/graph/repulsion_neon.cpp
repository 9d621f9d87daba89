// Four nodes per step in NEON registers, which every AArch64 CPU has.

#include "graph/repulsion_lanes.h"
#include "graph/repulsion_simd.h"

#include <arm_neon.h>

namespace {

struct NeonLanes {
    using V = float32x4_t;
    static constexpr std::size_t kWidth = 4;
    static V set1(float v) { return vdupq_n_f32(v); }
    static V load(const float* p) { return vld1q_f32(p); }
    static void store(float* p, V v) { vst1q_f32(p, v); }
    static V add(V a, V b) { return vaddq_f32(a, b); }
    static V sub(V a, V b) { return vsubq_f32(a, b); }
    static V mul(V a, V b) { return vmulq_f32(a, b); }
    static V bitAnd(V a, V b) { return fromBits(vandq_u32(toBits(a), toBits(b))); }
    static V bitAndNot(V a, V b) { return fromBits(vbicq_u32(toBits(b), toBits(a))); }  // ~a & b
    static V bitOr(V a, V b) { return fromBits(vorrq_u32(toBits(a), toBits(b))); }
    // Comparisons behave like C++'s on NaN: false, except != which is true.
    static V less(V a, V b) { return fromBits(vcltq_f32(a, b)); }
    static V greater(V a, V b) { return fromBits(vcgtq_f32(a, b)); }
    static V notEqual(V a, V b) { return fromBits(vmvnq_u32(vceqq_f32(a, b))); }

    static uint32x4_t toBits(V v) { return vreinterpretq_u32_f32(v); }
    static V fromBits(uint32x4_t v) { return vreinterpretq_f32_u32(v); }
};

}  // namespace

void repulsionPassNeon(Object* nodes, std::size_t n, float c, float q) {
    repulsion_lanes::repulsionLanes<NeonLanes>(nodes, n, c, q);
}

RepulsionPass simdRepulsionPass(RepulsionPath path) {
    return path == RepulsionPath::kNeon ? repulsionPassNeon : nullptr;
}
