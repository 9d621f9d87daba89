// The graph store, the force law and the layout step.
//
// What the README says of them, and what holds it:
//   the layout's results fixed to the last bit, the same on every platform and every
//     repulsion path: Layout.EveryPathAndProcessorGivesThePinnedBitsInside
//   "+" without limit, up to an infinite constant that no longer pushes or pulls, never
//     carries a node off the square: the same test's rows with huge and infinite constants
//   an edge that names no node does not pull: Layout.TicksMoveNodesOnlyWhileRunningBitForBit

#include "graph/force.h"
#include "graph/repulsion_path.h"
#include "support.h"
#include "ui/callbacks.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <random>
#include <ranges>
#include <vector>

using Force = EditorTest;

// With the initial constant and sep. A zero axis sign times the negative constant gives -0
// in the repulsion term: that is the rounded product, so it is expected. A pull is capped
// at 2|c| from a stretch of 1.
TEST_F(Force, WorkedValuesAndStrictBoundsInSinglePrecision) {
    const struct { const char* name; float a[2], b[2]; bool pull = false; float out[2]; } rows[] = {
        {.name = "diagonal pull", .a = {0.2f, 0.3f}, .b = {0.5f, 0.7f}, .pull = true, .out = {0.0479999967f, 0.0479999967f}},
        {.name = "pull capped", .a = {0.9f, 0.95f}, .b = {0.15f, 0.2f}, .pull = true, .out = {-0.200000003f, -0.200000003f}},
        {.name = "no pull inside sep", .a = {0.4f, 0.5f}, .b = {0.45f, 0.5f}, .pull = true, .out = {0.0f, 0.0f}},
        {.name = "level push", .a = {0.5f, 0.5f}, .b = {0.55f, 0.5f}, .out = {-0.0992500037f, -0.0f}},
        // These offsets square to exactly 0.001f; the next, a float further out, lies above it.
        {.name = "d2 == 0.001f: no push", .a = {0.0f, 0.0f}, .b = {0.0316227749f, 0x1.000002p-17f}, .out = {0.0f, 0.0f}},
        {.name = "d2 just above 0.001f", .a = {0.0f, 0.0f}, .b = {0.0316227786f, 0.0f}, .out = {-0.0991000012f, -0.0f}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Object a{{row.a[0], row.a[1]}, {}}, b{{row.b[0], row.b[1]}, {}};
        float out[2] = {5.0f, 5.0f};  // stale values must be discarded
        force(a, b, out, row.pull);
        // Both components at once, bit for bit.
        EXPECT_EQ(std::bit_cast<std::uint64_t>(out), std::bit_cast<std::uint64_t>(row.out)) << out[0] << ", " << out[1];
    }
}

using Layout = EditorTest;

// The worked ticks, through the timer as the program runs them. Edges naming no node are
// skipped and a self-loop pulls nothing: the worked values hold.
TEST_F(Layout, TicksMoveNodesOnlyWhileRunningBitForBit) {
    objects = {{{0.25f, 0.5f}, {}}, {{0.75f, 0.5f}, {}}};
    edges = {{0, 1}, {0, 2}, {7, 1}, {2, 0}, {1, 1}};
    timer(0);
    EXPECT_EQ(nodeBits(), nodeBits({{{0.25f, 0.5f}, {}}, {{0.75f, 0.5f}, {}}})) << "stopped";
    menuSelected[kRunButton] = true;
    timer(0);
    EXPECT_EQ(nodeBits(), nodeBits({{{0.250479996f, 0.5f}, {0.0431999974f, 0}}, {{0.749520004f, 0.5f}, {-0.0431999974f, 0}}}));
    timer(0);
    EXPECT_EQ(nodeBits(), nodeBits({{{0.25139007f, 0.5f}, {0.0819073692f, 0}}, {{0.7486099f, 0.5f}, {-0.0819073692f, 0}}}));
    objects = {{{0.5f, 0.5f}, {}}, {{0.5625f, 0.53125f}, {}}};
    timer(0);
    EXPECT_EQ(nodeBits(), nodeBits({{{0.499005109f, 0.499005109f}, {-0.0895394534f, -0.0895394534f}},
                                    {{0.563494861f, 0.532244861f}, {0.0895394534f, 0.0895394534f}}}));
    // A constant pressed to infinity moves nothing any more.
    constant = -INFINITY;
    timer(0);
    EXPECT_EQ(nodeBits(), nodeBits({{{0.499005109f, 0.499005109f}, {}}, {{0.563494861f, 0.532244861f}, {}}}));
    // A node at rest on the walls stays exactly there, the sign of a zero included.
    objects = {{{-0.0f, 1.0f}, {-1e-45f, 1e-45f}}};
    timer(0);
    EXPECT_EQ(nodeBits(), nodeBits({{{-0.0f, 1.0f}, {-1e-45f, 1e-45f}}}));
    // Every tick redraws and arms the next, 50 ms on.
    EXPECT_EQ(std::tuple(redisplays, timers), std::tuple(6, std::vector<TimerRequest>(6, {50, &timer, 0})));
}

// Nodes near, level with and on top of each other, some outside the unit square; edges
// repeated, looped and past the last node. Coordinates come from mt19937's raw output,
// whose sequence is fixed everywhere (the standard distributions' are not).
static void messyGraph(std::size_t count, float spread) {
    std::mt19937 rng(static_cast<unsigned>(count));
    const auto coord = [&] { return 0.5f - spread / 2.0f + spread * (static_cast<float>(rng() >> 8) * 0x1p-24f); };
    clearGraph();
    for (std::size_t i = 0; i < count; ++i) {
        const Object base = i ? objects[rng() % i] : Object{};
        const float kinds[][2] = {{base.pos[0], base.pos[1]}, {base.pos[0] + sep, base.pos[1]}, {coord(), coord()}};
        const std::size_t kindX = rng() % 3, kindY = rng() % 3;
        objects.push_back({{kinds[kindX][0], kinds[kindY][1]}, {coord() - 0.5f, 0.0f}});
        const auto end = [&] { return static_cast<std::uint32_t>(rng() % (count + 2)); };
        edges.push_back({end(), end()});
    }
}

// Huge forces too: the "+" key doubles the constant without limit. With sep above 1 the push
// ends 1 inside it, short of sep.
const struct MessyRow { std::size_t count; float constant, sep, spread; } kMessyRows[] = {
    {301, kInitialConstant, kInitialSep, 0.5f}, {203, kInitialConstant, kInitialSep, 0.1f}, {97, 3.5f, 0.3f, 1.0f},
    {77, -FLT_MAX, kInitialSep, 0.2f}, {45, -INFINITY, kInitialSep, 0.2f}, {66, -1e38f, 0.5f, 0.5f},
    {33, kInitialConstant, 0.0f, 0.5f}, {29, kInitialConstant, 4.0f, 30.0f}, {5, FLT_MAX, kInitialSep, 0.05f},
    {0, kInitialConstant, kInitialSep, 0.5f}, {23, kInitialConstant, 1.1f, 0.5f},
};

// 25 running ticks of the messy graphs, through the timer: the rules of the arithmetic fix
// every bit, on every processor and compiler, and every repulsion path gives them. A fused
// multiply-add, a sum in another order or a wider intermediate (x87) changes them. The hash
// is FNV-1a over the bits, low byte first.
TEST_F(Layout, EveryPathAndProcessorGivesThePinnedBitsInside) {
    EXPECT_TRUE(repulsionPathAvailable(RepulsionPath::kPlain));
    EXPECT_TRUE(repulsionPathAvailable(RepulsionPath::GRAPH_EDITOR_BASELINE_PATH));
    std::uint64_t hash = 14695981039346656037u;
    menuSelected[kRunButton] = true;
    for (const MessyRow& row : kMessyRows) {
        std::tie(constant, sep) = std::tuple(row.constant, row.sep);
        messyGraph(row.count, row.spread);
        for (int tick = 0; tick < 25; ++tick) {
            const std::vector<Object> start = objects;
            timer(0);
            const std::vector<std::uint32_t> ticked = nodeBits();
            for (RepulsionPath path : kRepulsionPaths | std::views::filter(repulsionPathAvailable)) {
                objects = start;
                layoutStep(path);
                ASSERT_EQ(nodeBits(), ticked) << repulsionPathName(path) << ", " << row.count << " nodes, tick " << tick;
            }
        }
        for (std::uint32_t word : nodeBits()) {
            for (int shift = 0; shift < 32; shift += 8) hash = (hash ^ ((word >> shift) & 0xffu)) * 1099511628211u;
        }
    }
    EXPECT_EQ(hash, 0x2d0337e7d696695eu) << std::hex << hash;
}
