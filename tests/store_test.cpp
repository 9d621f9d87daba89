#include "editor_state.h"

#include <cstdint>
#include <vector>

namespace {

using Store = EditorTest;

void placeNodes(const std::vector<std::pair<float, float>>& points) {
    for (auto [x, y] : points) addNode(x, y);
}

TEST_F(Store, NearestNodeTiesGoToTheLowestIndex) {
    EXPECT_EQ(getNode(0.5f, 0.5f), 0u) << "empty graph";

    placeNodes({{0.25f, 0.5f}, {0.75f, 0.5f}});
    EXPECT_EQ(getNode(0.5f, 0.5f), 0u);
    EXPECT_EQ(getNode(0.7f, 0.5f), 1u);
    EXPECT_EQ(getNode(50.0f, -30.0f), 1u) << "no distance limit";

    clearGraph();
    placeNodes({{0.75f, 0.5f}, {0.25f, 0.5f}});
    EXPECT_EQ(getNode(0.5f, 0.5f), 0u);

    clearGraph();
    placeNodes({{0.1f, 0.1f}, {0.3f, 0.3f}, {0.3f, 0.3f}});
    EXPECT_EQ(getNode(0.3f, 0.3f), 1u) << "exact hit, earlier duplicate wins";
}

TEST_F(Store, AddNodeAppendsAtRestAndLeavesEdgesAlone) {
    placeNodes({{0.1f, 0.1f}, {0.9f, 0.9f}});
    edges.push_back({0, 1});
    addNode(0.3f, 0.6f);
    ASSERT_EQ(objects.size(), 3u);
    EXPECT_EQ(objects[2].pos[0], 0.3f);
    EXPECT_EQ(objects[2].pos[1], 0.6f);
    EXPECT_EQ(objects[2].vel[0], 0.0f);
    EXPECT_EQ(objects[2].vel[1], 0.0f);
    EXPECT_EQ(edges, (std::vector<Edge>{{0, 1}}));
}

struct AddEdgeCase {
    const char* name;
    int nodeCount;  // nodes at x = 0.1, 0.2, ... on y = 0.5
    std::uint32_t from;
    float toX;
    std::vector<Edge> expected;
};

class AddEdgeRules : public EditorTest, public ::testing::WithParamInterface<AddEdgeCase> {};

TEST_P(AddEdgeRules, StoresOnlyEdgesBetweenTwoRealNodes) {
    const AddEdgeCase& c = GetParam();
    for (int i = 0; i < c.nodeCount; ++i) addNode(0.1f * static_cast<float>(i + 1), 0.5f);
    addEdge(c.from, c.toX, 0.5f);
    EXPECT_EQ(edges, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Store, AddEdgeRules,
    ::testing::Values(AddEdgeCase{"empty", 0, 0, 0.5f, {}},
                      AddEdgeCase{"one_node", 1, 0, 0.9f, {}},
                      AddEdgeCase{"ends_on_start", 2, 0, 0.11f, {}},
                      AddEdgeCase{"joins_other", 2, 0, 0.19f, {{0, 1}}},
                      AddEdgeCase{"reverse", 3, 2, 0.1f, {{2, 0}}},
                      AddEdgeCase{"stale_start", 2, 5, 0.1f, {}},
                      AddEdgeCase{"start_at_count", 2, 2, 0.1f, {}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(Store, RepeatedDragsStoreRepeatedEdges) {
    placeNodes({{0.2f, 0.2f}, {0.8f, 0.8f}});
    addEdge(0, 0.8f, 0.8f);
    addEdge(0, 0.8f, 0.8f);
    addEdge(1, 0.2f, 0.2f);
    EXPECT_EQ(edges, (std::vector<Edge>{{0, 1}, {0, 1}, {1, 0}}));
}

struct RemovalCase {
    const char* name;
    int nodeCount;  // nodes at x = 0.1 * (i + 1) on y = 0.5
    std::vector<Edge> before;
    std::uint32_t removed;
    std::vector<Edge> after;
};

class RemoveNodeWalk : public EditorTest, public ::testing::WithParamInterface<RemovalCase> {};

TEST_P(RemoveNodeWalk, ErasesTouchingEdgesAndRenumbersTheRest) {
    const RemovalCase& c = GetParam();
    for (int i = 0; i < c.nodeCount; ++i) addNode(0.1f * static_cast<float>(i + 1), 0.5f);
    edges = c.before;
    const float removedX = objects[c.removed].pos[0];
    removeNode(removedX, 0.5f);
    ASSERT_EQ(objects.size(), static_cast<std::size_t>(c.nodeCount - 1));
    for (const Object& o : objects) EXPECT_NE(o.pos[0], removedX);
    EXPECT_EQ(edges, c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Store, RemoveNodeWalk,
    ::testing::Values(
        RemovalCase{"five_node_ring", 5, {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 0}}, 2, {{0, 1}, {2, 3}, {3, 0}}},
        RemovalCase{"last_node", 4, {{0, 1}, {2, 1}, {3, 0}, {1, 2}}, 3, {{0, 1}, {2, 1}, {1, 2}}},
        RemovalCase{"self_loop", 4, {{2, 2}, {0, 3}}, 2, {{0, 2}}},
        RemovalCase{"consecutive_touching", 4, {{1, 0}, {0, 2}, {3, 0}, {0, 0}, {2, 3}}, 0, {{1, 2}}},
        RemovalCase{"out_of_range_endpoints_shift", 3, {{0, 7}, {9, 1}}, 1, {{0, 6}}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(Store, RemovingFromAnEmptyGraphChangesNothing) {
    edges = {{0, 1}};  // as a file may leave them
    removeNode(0.5f, 0.5f);
    EXPECT_TRUE(objects.empty());
    EXPECT_EQ(edges, (std::vector<Edge>{{0, 1}}));
}

TEST_F(Store, ClearingMidDragKeepsTheDragAndTheNextReleaseAddsNothing) {
    placeNodes({{0.2f, 0.2f}, {0.8f, 0.8f}});
    edges = {{0, 1}};
    edgeStarted = true;
    selectedNode = 1;
    middleDown = true;
    menuSelected[kRunButton] = true;
    constant = -0.4f;

    clearGraph();
    EXPECT_TRUE(objects.empty());
    EXPECT_TRUE(edges.empty());
    EXPECT_TRUE(edgeStarted);
    EXPECT_EQ(selectedNode, 1u);
    EXPECT_TRUE(middleDown);
    EXPECT_TRUE(menuSelected[kRunButton]);
    EXPECT_EQ(constant, -0.4f);

    addEdge(selectedNode, 0.5f, 0.5f);  // the release that ends the drag
    EXPECT_TRUE(edges.empty());
}

}  // namespace
