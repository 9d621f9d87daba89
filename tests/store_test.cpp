#include "support.h"

#include <utility>
#include <vector>

namespace {

using Store = EditorTest;

// Node i at (0.1 (i + 1), 0.6 - 0.1 i): off the diagonal, so a swapped x and y picks
// another node.
void placeNodes(int count) {
    for (int i = 0; i < count; ++i) addNode(0.1f * static_cast<float>(i + 1), 0.6f - 0.1f * static_cast<float>(i));
}

TEST_F(Store, NodesStartAtRestAndTheNearestTiesToTheLowestIndex) {
    EXPECT_EQ(getNode(0.5f, 0.5f), 0u) << "empty graph";
    for (auto [x, y] : {std::pair{0.25f, 0.5f}, {0.75f, 0.5f}, {0.75f, 0.5f}, {0.9f, 0.1f}}) addNode(x, y);
    EXPECT_EQ(nodeBits(), nodeBits({{{0.25f, 0.5f}, {}}, {{0.75f, 0.5f}, {}}, {{0.75f, 0.5f}, {}}, {{0.9f, 0.1f}, {}}}));
    EXPECT_EQ(getNode(0.5f, 0.5f), 0u) << "equally near two";
    EXPECT_EQ(getNode(0.75f, 0.5f), 1u) << "exact hit, earlier duplicate wins";
    EXPECT_EQ(getNode(50.0f, -30.0f), 3u) << "off the diagonal, no distance limit";
}

TEST_F(Store, AddEdgeJoinsTwoRealNodesOnly) {
    const struct { int nodes; std::uint32_t from; std::vector<Edge> stored; } rows[] = {
        {1, 0, {}}, {2, 0, {}}, {3, 2, {{2, 0}, {2, 0}}}, {2, 5, {}}, {2, 2, {}},  // the last two: stale starts
    };
    for (const auto& row : rows) {
        clearGraph();
        placeNodes(row.nodes);
        for (int twice = 0; twice < 2; ++twice) addEdge(row.from, 0.11f, 0.58f);  // nearest node 0
        EXPECT_EQ(edges, row.stored) << "from " << row.from << " of " << row.nodes;
    }
}

TEST_F(Store, RemoveNodeErasesTouchingEdgesAndRenumbersTheRest) {
    const struct { int nodes; std::vector<Edge> before; std::uint32_t removed; std::vector<Edge> after; } rows[] = {
        {5, {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 0}}, 2, {{0, 1}, {2, 3}, {3, 0}}},
        {4, {{0, 1}, {2, 1}, {3, 0}, {1, 2}}, 3, {{0, 1}, {2, 1}, {1, 2}}},
        {4, {{1, 0}, {0, 2}, {0, 0}, {2, 3}}, 0, {{1, 2}}},  // consecutive touching edges, a self-loop
        {3, {{0, 7}, {9, 1}}, 1, {{0, 6}}},                  // endpoints past the last node shift too
        {0, {{0, 1}}, 0, {{0, 1}}},                          // an empty graph
    };
    for (const auto& row : rows) {
        clearGraph();
        placeNodes(row.nodes);
        edges = row.before;
        std::vector<Object> kept = objects;
        if (row.nodes) kept.erase(kept.begin() + row.removed);
        removeNode(0.1f * static_cast<float>(row.removed + 1), 0.6f - 0.1f * static_cast<float>(row.removed));
        EXPECT_EQ(nodeBits(), nodeBits(kept)) << "removing " << row.removed << " of " << row.nodes;
        EXPECT_EQ(edges, row.after) << "removing " << row.removed << " of " << row.nodes;
    }
}

}  // namespace
