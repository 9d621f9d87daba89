#include "editor_state.h"
#include "float_bits.h"
#include "graph/force.h"
#include "graph/layout.h"
#include "graph/repulsion_path.h"
#include "reference_step.h"
#include "ui/callbacks.h"

#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Layout = EditorTest;

struct Expected {
    float x, y, vx, vy;
};

void expectNode(std::size_t i, const Expected& e) {
    const Object& o = objects[i];
    EXPECT_SAME_BITS(o.pos[0], e.x) << "node " << i;
    EXPECT_SAME_BITS(o.pos[1], e.y) << "node " << i;
    EXPECT_SAME_BITS(o.vel[0], e.vx) << "node " << i;
    EXPECT_SAME_BITS(o.vel[1], e.vy) << "node " << i;
}

void twoJoinedNodes(float x0, float y0, float x1, float y1) {
    addNode(x0, y0);
    addNode(x1, y1);
    edges.push_back({0, 1});
}

TEST_F(Layout, SpringTickAndItsSuccessorBitForBit) {
    twoJoinedNodes(0.25f, 0.5f, 0.75f, 0.5f);
    layoutStep();
    expectNode(0, {0.250479996f, 0.5f, 0.0431999974f, 0.0f});
    expectNode(1, {0.749520004f, 0.5f, -0.0431999974f, 0.0f});
    layoutStep();
    expectNode(0, {0.25139007f, 0.5f, 0.0819073692f, 0.0f});
    expectNode(1, {0.7486099f, 0.5f, -0.0819073692f, 0.0f});
}

TEST_F(Layout, RepulsionTickBitForBit) {
    twoJoinedNodes(0.5f, 0.5f, 0.5625f, 0.53125f);
    layoutStep();
    expectNode(0, {0.499005109f, 0.499005109f, -0.0895394534f, -0.0895394534f});
    expectNode(1, {0.563494861f, 0.532244861f, 0.0895394534f, 0.0895394534f});
}

// A lone node feels no force, so its start velocity alone drives it into or along a wall.
struct ClampCase {
    const char* name;
    float x, vx;
    float expectedX, expectedVx;
};

TEST_F(Layout, ClampOnlyStrictlyOutsideAndKeepsTheVelocity) {
    const ClampCase cases[] = {
        {"past 1 is set to 1, outward velocity kept", 0.9995f, 0.2f, 1.0f, 0.179999992f},
        {"below 0 is set to 0", 0.0005f, -0.2f, 0.0f, -0.179999992f},
        {"exactly 1 stays", 1.0f, 0.0f, 1.0f, 0.0f},
        {"exactly 0 stays", 0.0f, 0.0f, 0.0f, 0.0f},
    };
    for (const ClampCase& c : cases) {
        clearGraph();
        objects.push_back(Object{{c.x, 0.5f}, {c.vx, 0.0f}});
        layoutStep();
        EXPECT_SAME_BITS(objects[0].pos[0], c.expectedX) << c.name;
        EXPECT_SAME_BITS(objects[0].vel[0], c.expectedVx) << c.name;
        EXPECT_SAME_BITS(objects[0].pos[1], 0.5f) << c.name;
    }
}

std::vector<Object> afterOneTick(const std::vector<Edge>& edgeList) {
    clearGraph();
    addNode(0.1f, 0.1f);
    addNode(0.8f, 0.7f);
    addNode(0.4f, 0.9f);
    edges = edgeList;
    layoutStep();
    return objects;
}

void expectSameNodes(const std::vector<Object>& actual, const std::vector<Object>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i)
        for (int k = 0; k < 2; ++k) {
            EXPECT_SAME_BITS(actual[i].pos[k], expected[i].pos[k]) << "node " << i << " axis " << k;
            EXPECT_SAME_BITS(actual[i].vel[k], expected[i].vel[k]) << "node " << i << " axis " << k;
        }
}

TEST_F(Layout, EdgesToMissingNodesAndSelfLoopsDoNothingWhileOthersAct) {
    const std::vector<Object> plain = afterOneTick({{0, 1}});
    EXPECT_NE(plain[0].vel[0], 0.0f) << "the valid edge acts";
    const std::vector<Edge> withBroken = {{0, 5}, {0, 1}, {7, 2}, {3, 1}, {2, 2}};
    expectSameNodes(afterOneTick(withBroken), plain);
    EXPECT_EQ(edges, withBroken) << "skipped edges stay stored";
}

TEST_F(Layout, StoppedTickChangesNothingButStillRedrawsAndRearms) {
    twoJoinedNodes(0.25f, 0.5f, 0.75f, 0.5f);
    objects[1].vel[0] = 0.3f;
    const std::vector<Object> before = objects;

    timer(0);

    expectSameNodes(objects, before);
    EXPECT_EQ(windowRequestLog.redisplays, 1);
    ASSERT_EQ(windowRequestLog.timers.size(), 1u);
    EXPECT_EQ(windowRequestLog.timers[0].delayMs, 50u);
    EXPECT_EQ(windowRequestLog.timers[0].callback, &timer);
    EXPECT_EQ(windowRequestLog.timers[0].value, 0);

    menuSelected[kRunButton] = true;
    timer(0);
    EXPECT_NE(floatBits(objects[0].pos[0]), floatBits(before[0].pos[0])) << "running tick moves";
    EXPECT_EQ(windowRequestLog.redisplays, 2);
    EXPECT_EQ(windowRequestLog.timers.size(), 2u);
}

struct RandomLayoutCase {
    const char* name;
    std::size_t nodeCount;
    float constant;
    float sep;
    float spread;  // nodes start in a square of this side, so many pairs interact
};

// Nodes mostly random, some stacked on an earlier node, some exactly sep or within the
// 0.001 bound of one, some nearly coincident on one axis only; edges include repeats,
// self-loops and endpoints past the last node.
void messyGraph(std::mt19937& rng, const RandomLayoutCase& c) {
    std::uniform_real_distribution<float> coord(0.5f - c.spread / 2.0f, 0.5f + c.spread / 2.0f);
    std::uniform_int_distribution<int> kind(0, 9);
    clearGraph();
    addNode(coord(rng), coord(rng));
    for (std::size_t i = 1; i < c.nodeCount; ++i) {
        std::uniform_int_distribution<std::size_t> earlier(0, i - 1);
        const Object base = objects[earlier(rng)];
        switch (kind(rng)) {
            case 0: addNode(base.pos[0], base.pos[1]); break;
            case 1: addNode(base.pos[0] + c.sep, base.pos[1]); break;
            case 2: addNode(base.pos[0], base.pos[1] - 0.02f); break;
            case 3: addNode(base.pos[0] + 0x1p-20f, coord(rng)); break;
            default: addNode(coord(rng), coord(rng)); break;
        }
        objects.back().vel[0] = (coord(rng) - 0.5f) * 0.1f;
    }
    const auto limit = static_cast<std::uint32_t>(c.nodeCount + c.nodeCount / 20);
    std::uniform_int_distribution<std::uint32_t> endpoint(0, limit);
    for (std::size_t e = 0; e < 2 * c.nodeCount; ++e) {
        const Edge edge{endpoint(rng), endpoint(rng)};
        edges.push_back(edge);
        if (e % 17 == 0) edges.push_back(edge);
    }
}

// Each press of "+" doubles the constant; enough presses overflow it. The step must keep
// every node finite and inside the unit square whatever the forces become.
TEST_F(Layout, OverflowingConstantLeavesNodesFiniteAndInside) {
    // -1e38 keeps each force finite but overflows the sums; the others overflow forces.
    for (float c : {-1e38f, -FLT_MAX, -INFINITY, FLT_MAX}) {
        std::mt19937 rng(11);
        messyGraph(rng, {"overflow", 60, c, kInitialSep, 0.3f});
        // Joined and level in x: a zero axis sign meets an infinite spring scale.
        objects[0] = Object{{0.5f, 0.2f}, {0.0f, 0.0f}};
        objects[1] = Object{{0.5f, 0.8f}, {0.0f, 0.0f}};
        edges.push_back({0, 1});
        constant = c;
        for (int tick = 0; tick < 5; ++tick) layoutStep();
        for (const Object& o : objects)
            for (int k = 0; k < 2; ++k) {
                EXPECT_TRUE(std::isfinite(o.vel[k])) << "constant " << c;
                EXPECT_GE(o.pos[k], 0.0f) << "constant " << c;
                EXPECT_LE(o.pos[k], 1.0f) << "constant " << c;
            }
    }
}

void PrintTo(const RandomLayoutCase& c, std::ostream* os) { *os << c.name; }

class RandomLayout : public EditorTest,
                     public ::testing::WithParamInterface<std::tuple<RepulsionPath, RandomLayoutCase>> {};

TEST_P(RandomLayout, StepMatchesPairByPairForceCallsBitForBit) {
    const auto& [path, c] = GetParam();
    if (!repulsionPathAvailable(path)) GTEST_SKIP() << repulsionPathName(path) << " cannot run on this CPU";
    std::mt19937 rng(static_cast<unsigned>(c.nodeCount));
    messyGraph(rng, c);
    constant = c.constant;
    sep = c.sep;
    std::vector<Object> expected = objects;
    for (int tick = 0; tick < 25; ++tick) {
        referenceStep(expected, edges);
        layoutStep(path);
        ASSERT_NO_FATAL_FAILURE(expectSameNodes(objects, expected)) << "tick " << tick;
        if (::testing::Test::HasFailure()) return;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Graphs, RandomLayout,
    ::testing::Combine(
        ::testing::Values(RepulsionPath::kPlain, RepulsionPath::kSse2, RepulsionPath::kAvx2),
        ::testing::Values(RandomLayoutCase{"initial", 301, kInitialConstant, kInitialSep, 0.5f},
                          RandomLayoutCase{"crowded", 203, kInitialConstant, kInitialSep, 0.1f},
                          RandomLayoutCase{"dyadicSep", 130, -0.25f, 0.0625f, 0.3f},
                          RandomLayoutCase{"repelling", 97, 3.5f, 0.3f, 1.0f},
                          RandomLayoutCase{"hugeConstant", 77, -FLT_MAX, kInitialSep, 0.2f},
                          RandomLayoutCase{"infiniteConstant", 45, -INFINITY, kInitialSep, 0.2f},
                          RandomLayoutCase{"tinyConstant", 66, -1e-40f, 0.5f, 1.0f},
                          RandomLayoutCase{"wideSep", 51, kInitialConstant, 1e20f, 1.0f},
                          RandomLayoutCase{"zeroSep", 33, kInitialConstant, 0.0f, 0.5f},
                          RandomLayoutCase{"beyondSquare", 29, kInitialConstant, 4.0f, 30.0f},
                          RandomLayoutCase{"sixteen", 16, kInitialConstant, kInitialSep, 0.05f},
                          RandomLayoutCase{"five", 5, kInitialConstant, kInitialSep, 0.05f},
                          RandomLayoutCase{"one", 1, kInitialConstant, kInitialSep, 1.0f})),
    [](const auto& row) {
        return std::string(repulsionPathName(std::get<0>(row.param))) + "_" + std::get<1>(row.param).name;
    });

}  // namespace
