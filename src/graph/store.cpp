#include "graph/store.h"

#include <cstddef>

std::vector<Object> objects;
std::vector<Edge> edges;

float constant = kInitialConstant;
float sep = kInitialSep;

std::uint32_t getNode(float x, float y) {
    std::uint32_t best = 0;
    float bestDistance = -1.0f;  // any node displaces the sentinel
    for (std::size_t i = 0; i < objects.size(); ++i) {
        const float dx = objects[i].pos[0] - x;
        const float dy = objects[i].pos[1] - y;
        const float d = dx * dx + dy * dy;
        // Strictly nearer only, so equally near nodes keep the lowest index.
        if (bestDistance > d || bestDistance < 0.0f) {
            best = static_cast<std::uint32_t>(i);
            bestDistance = d;
        }
    }
    return best;
}

void addNode(float x, float y) {
    objects.push_back(Object{{x, y}, {0.0f, 0.0f}});
}

void addEdge(std::uint32_t from, float x, float y) {
    const std::uint32_t to = getNode(x, y);
    if (to == from || objects.size() < 2) return;
    // A stale drag start (the graph was cleared or shrunk mid-drag) must not store an
    // edge that would silently join whatever node later takes that index.
    if (!isNode(from)) return;
    edges.push_back(Edge{from, to});
}

void removeNode(float x, float y) {
    const std::uint32_t n = getNode(x, y);
    if (!isNode(n)) return;  // an empty graph
    objects.erase(objects.begin() + n);
    for (std::size_t e = 0; e < edges.size();) {
        Edge& edge = edges[e];
        if (edge.from == n || edge.to == n) {
            // The next edge slides into slot e, so e is not advanced.
            edges.erase(edges.begin() + static_cast<std::ptrdiff_t>(e));
            continue;
        }
        if (edge.from > n) --edge.from;
        if (edge.to > n) --edge.to;
        ++e;
    }
}

void clearGraph() {
    objects.clear();
    edges.clear();
}
