#pragma once

// The layout step written the plain way, for tests and benchmarks to measure the real
// one against.

#include "graph/force.h"
#include "graph/store.h"

#include <cmath>
#include <cstddef>
#include <vector>

// The step as first written: one force call per ordered pair and per edge end, summed in
// index order, non-finite velocities dropped before the move. Every faster form of the
// step must agree with it bit for bit.
inline void referenceStep(std::vector<Object>& nodes, const std::vector<Edge>& links) {
    const std::size_t n = nodes.size();
    float out[2];
    for (std::size_t i = 0; i < n; ++i) {
        float sum[2] = {0.0f, 0.0f};
        for (std::size_t j = 0; j < n; ++j) {
            if (j == i) continue;
            force(nodes[i], nodes[j], out, false);
            sum[0] = out[0] + sum[0];
            sum[1] = out[1] + sum[1];
        }
        nodes[i].vel[0] = sum[0] + nodes[i].vel[0];
        nodes[i].vel[1] = sum[1] + nodes[i].vel[1];
    }
    for (const Edge& e : links) {
        if (e.from >= n || e.to >= n) continue;
        force(nodes[e.from], nodes[e.to], out, true);
        nodes[e.from].vel[0] = out[0] + nodes[e.from].vel[0];
        nodes[e.from].vel[1] = out[1] + nodes[e.from].vel[1];
        force(nodes[e.to], nodes[e.from], out, true);
        nodes[e.to].vel[0] = out[0] + nodes[e.to].vel[0];
        nodes[e.to].vel[1] = out[1] + nodes[e.to].vel[1];
    }
    for (Object& o : nodes)
        for (int k = 0; k < 2; ++k) {
            if (!std::isfinite(o.vel[k])) o.vel[k] = 0.0f;
            o.pos[k] = 0.01f * o.vel[k] + o.pos[k];
            if (o.pos[k] > 1.0f) o.pos[k] = 1.0f;
            if (o.pos[k] < 0.0f) o.pos[k] = 0.0f;
        }
    for (Object& o : nodes) {
        o.vel[0] = 0.9f * o.vel[0];
        o.vel[1] = 0.9f * o.vel[1];
    }
}
