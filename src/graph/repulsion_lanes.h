#pragma once

// The repulsion pass of the layout step, several nodes i at a time, one SIMD lane each.
//
// Included only by the per-instruction-set files (repulsion_sse2.cpp, repulsion_avx2.cpp,
// repulsion_neon.cpp), each of which instantiates repulsionLanes with a lane type from its
// own anonymous namespace. That keeps every instantiation local to its file: code built
// for AVX2 must never be shared, through a merged inline copy, with callers on CPUs
// without it. So this header uses nothing but the lane type, plain arithmetic and Object.
//
// Every lane does what the plain pass does for its node: for j ascending from 0, it adds
// the repulsion term of force() to a running sum with the same single-precision
// operations in the same order, and adds the sum to the velocity once at the end. The
// plain pass skips the node's own index; a lane adds its own term instead, which changes
// nothing: a node's offset from itself is 0 (or NaN, for an infinite or NaN position), so
// the 0.001 bound gives it +0, and adding +0 leaves a sum that started at +0 as it is (the
// sum can only be -0 if it started there, since x + -x is +0). Results are identical to
// the bit.

#include "graph/force.h"
#include "graph/store.h"

#include <cstddef>

namespace repulsion_lanes {

// Loop-invariant inputs of the lane-wise force law, one copy per lane.
template <class L>
struct LawConstants {
    typename L::V c;         // constant
    typename L::V q;         // sep * sep, rounded once just as force() rounds it per call
    typename L::V minD2;     // the 0.001 bound
    typename L::V one;
    typename L::V zero;
    typename L::V signBit;   // -0.0f: only the sign bit set
};

// Repulsion term of force(), for a nodes in lanes and one b. Same operations, same order:
//   out[i] = (s[i] * c) * (|d2 - q| < 1 ? 1 - |d2 - q| : 0)   when 0.001 < d2 < q, else 0
// The axis sign is v / |v| for v != 0 and 0 otherwise; where the pair is in range, d2 is
// finite, hence so is v, and v / |v| is exactly +-1: the sign bit of v on 1.0 gives the
// same value without a division. Out of range the lane yields +0, as force() does.
template <class L>
inline void repulsionTerm(const LawConstants<L>& k, typename L::V ax, typename L::V ay,
                          float bx, float by, typename L::V& outX, typename L::V& outY) {
    using V = typename L::V;
    const V dx = L::sub(L::set1(bx), ax);
    const V dy = L::sub(L::set1(by), ay);
    const V d2 = L::add(L::mul(dx, dx), L::mul(dy, dy));
    const V inRange = L::bitAnd(L::less(d2, k.q), L::greater(d2, k.minD2));
    const V u = L::bitAndNot(k.signBit, L::sub(d2, k.q));
    const V m = L::bitAnd(L::less(u, k.one), L::sub(k.one, u));
    const V sx = L::bitAnd(L::notEqual(dx, k.zero), L::bitOr(L::bitAnd(dx, k.signBit), k.one));
    const V sy = L::bitAnd(L::notEqual(dy, k.zero), L::bitOr(L::bitAnd(dy, k.signBit), k.one));
    outX = L::bitAnd(inRange, L::mul(L::mul(sx, k.c), m));
    outY = L::bitAnd(inRange, L::mul(L::mul(sy, k.c), m));
}

// The whole repulsion pass over nodes[0, n). A last, partial block fills its spare lanes
// with a copy of the last node and throws their sums away.
template <class L>
void repulsionLanes(Object* nodes, std::size_t n, float c, float q) {
    using V = typename L::V;
    constexpr std::size_t kWidth = L::kWidth;
    const LawConstants<L> k{L::set1(c),    L::set1(q),    L::set1(kMinRepulsionDistance2),
                            L::set1(1.0f), L::set1(0.0f), L::set1(-0.0f)};
    for (std::size_t i0 = 0; i0 < n; i0 += kWidth) {
        const std::size_t blockEnd = n - i0 < kWidth ? n : i0 + kWidth;
        float lane[2][kWidth];
        for (std::size_t l = 0; l < kWidth; ++l) {
            const Object& a = nodes[i0 + l < n ? i0 + l : n - 1];
            lane[0][l] = a.pos[0];
            lane[1][l] = a.pos[1];
        }
        const V ax = L::load(lane[0]);
        const V ay = L::load(lane[1]);
        V sumX = L::set1(0.0f);
        V sumY = L::set1(0.0f);
        for (std::size_t j = 0; j < n; ++j) {
            V outX, outY;
            repulsionTerm<L>(k, ax, ay, nodes[j].pos[0], nodes[j].pos[1], outX, outY);
            sumX = L::add(outX, sumX);
            sumY = L::add(outY, sumY);
        }
        L::store(lane[0], sumX);
        L::store(lane[1], sumY);
        for (std::size_t i = i0; i < blockEnd; ++i) {
            nodes[i].vel[0] = lane[0][i - i0] + nodes[i].vel[0];
            nodes[i].vel[1] = lane[1][i - i0] + nodes[i].vel[1];
        }
    }
}

}  // namespace repulsion_lanes
