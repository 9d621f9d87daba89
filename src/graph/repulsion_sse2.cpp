// Four nodes per step in SSE registers.

#include "graph/repulsion_lanes.h"
#include "graph/repulsion_simd.h"

#include <emmintrin.h>

namespace {

struct Sse2Lanes {
    using V = __m128;
    static constexpr std::size_t kWidth = 4;
    static V set1(float v) { return _mm_set1_ps(v); }
    static V load(const float* p) { return _mm_loadu_ps(p); }
    static void store(float* p, V v) { _mm_storeu_ps(p, v); }
    static V add(V a, V b) { return _mm_add_ps(a, b); }
    static V sub(V a, V b) { return _mm_sub_ps(a, b); }
    static V mul(V a, V b) { return _mm_mul_ps(a, b); }
    static V bitAnd(V a, V b) { return _mm_and_ps(a, b); }
    static V bitAndNot(V a, V b) { return _mm_andnot_ps(a, b); }  // ~a & b
    static V bitOr(V a, V b) { return _mm_or_ps(a, b); }
    // Comparisons behave like C++'s on NaN: false, except != which is true.
    static V less(V a, V b) { return _mm_cmplt_ps(a, b); }
    static V greater(V a, V b) { return _mm_cmpgt_ps(a, b); }
    static V notEqual(V a, V b) { return _mm_cmpneq_ps(a, b); }
};

}  // namespace

void repulsionPassSse2(Object* nodes, std::size_t n, float c, float q) {
    repulsion_lanes::repulsionLanes<Sse2Lanes>(nodes, n, c, q);
}
