#include "graph/layout.h"

#include "graph/force.h"
#include "graph/repulsion_path.h"
#include "graph/store.h"

#include <cmath>

namespace {

constexpr float kTimeStep = 0.01f;
constexpr float kDamping = 0.9f;
constexpr float kLowerBound = 0.0f;
constexpr float kUpperBound = 1.0f;

// Edges naming a node that does not exist (a hand-edited file) are skipped; a repeated
// edge pulls once per copy.
void springPass() {
    float out[2];
    for (const Edge& e : edges) {
        if (!joinsNodes(e)) continue;
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

}  // namespace

void layoutStep(RepulsionPath path) {
    repulsionPass(path);
    springPass();
    movePass();
    dampingPass();
}

void layoutStep() {
    layoutStep(fastestRepulsionPath());
}
