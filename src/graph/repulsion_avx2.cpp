// Eight nodes per step in AVX registers. This file alone is built with -mavx2; it is
// entered only after the CPU has been checked for AVX2.

#include "graph/repulsion_lanes.h"
#include "graph/repulsion_simd.h"

#include <immintrin.h>

namespace {

struct Avx2Lanes {
    using V = __m256;
    static constexpr std::size_t kWidth = 8;
    static V set1(float v) { return _mm256_set1_ps(v); }
    static V load(const float* p) { return _mm256_loadu_ps(p); }
    static void store(float* p, V v) { _mm256_storeu_ps(p, v); }
    static V add(V a, V b) { return _mm256_add_ps(a, b); }
    static V sub(V a, V b) { return _mm256_sub_ps(a, b); }
    static V mul(V a, V b) { return _mm256_mul_ps(a, b); }
    static V bitAnd(V a, V b) { return _mm256_and_ps(a, b); }
    static V bitAndNot(V a, V b) { return _mm256_andnot_ps(a, b); }  // ~a & b
    static V bitOr(V a, V b) { return _mm256_or_ps(a, b); }
    // Quiet, ordered predicates match C++'s <, > and == on NaN; != is unordered-true.
    static V less(V a, V b) { return _mm256_cmp_ps(a, b, _CMP_LT_OQ); }
    static V greater(V a, V b) { return _mm256_cmp_ps(a, b, _CMP_GT_OQ); }
    static V notEqual(V a, V b) { return _mm256_cmp_ps(a, b, _CMP_NEQ_UQ); }
};

}  // namespace

void repulsionPassAvx2(Object* nodes, std::size_t n, float c, float q) {
    repulsion_lanes::repulsionLanes<Avx2Lanes>(nodes, n, c, q);
}
