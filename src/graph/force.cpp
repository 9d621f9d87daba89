#include "graph/force.h"

#include <cmath>

namespace {

constexpr float kSpringScale = -2.0f;

// +1, -1 or 0 by the sign of v. Divided rather than compared so that a non-finite offset
// gives a non-finite sign (inf / inf and NaN / NaN are NaN).
float axisSign(float v) {
    return v != 0.0f ? v / std::fabs(v) : 0.0f;
}

}  // namespace

void force(Object& a, Object& b, float* out, bool spring) {
    out[0] = 0.0f;
    out[1] = 0.0f;
    const float c = constant;
    const float dx = b.pos[0] - a.pos[0];
    const float dy = b.pos[1] - a.pos[1];
    const float d2 = dx * dx + dy * dy;
    const float q = sep * sep;
    const float s[2] = {axisSign(dx), axisSign(dy)};

    if (spring) {
        if (!(d2 > q)) return;
        // Pull grows with the squared stretch beyond sep and levels off at 2|c|:
        //   out[i] = (s[i] * (c * -2)) * min(d2 - q, 1)
        const float t = d2 - q;
        const float m = t < 1.0f ? t : 1.0f;
        for (int i = 0; i < 2; ++i) out[i] = (s[i] * (c * kSpringScale)) * m;
        return;
    }

    if (!(d2 < q && d2 > kMinRepulsionDistance2)) return;
    // repulsionTerm in repulsion_lanes.h repeats this lane-wise; keep the two in step.
    // Push is nearly |c| just inside sep and falls off linearly with the squared gap:
    //   out[i] = (s[i] * c) * (|d2 - q| < 1 ? 1 - |d2 - q| : 0)
    const float u = std::fabs(d2 - q);
    const float m = u < 1.0f ? 1.0f - u : 0.0f;
    for (int i = 0; i < 2; ++i) out[i] = (s[i] * c) * m;
}
