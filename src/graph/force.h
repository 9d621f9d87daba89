#pragma once

#include "graph/store.h"

// Squared distances at or below this never repel: nodes that close stay together.
inline constexpr float kMinRepulsionDistance2 = 0.001f;

// Force on `a` due to `b`, written to out[0..1]: the spring term of an edge when `spring`
// is set, the short-range repulsion otherwise. Reads only the positions, `constant` and
// `sep`. out is overwritten, never accumulated into.
//
// The direction is the per-axis sign of the offset, not a unit vector: a node off on a
// diagonal gets the full magnitude on both axes. Every operation is rounded to single
// precision in the order written in force.cpp: the layout's results depend on it bit for
// bit. The layout's SIMD repulsion pass (repulsion_lanes.h) states the repulsion term
// again, lane by lane, with the same operations; a change to one must go into the other.
void force(Object& a, Object& b, float* out, bool spring);
