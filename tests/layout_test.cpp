#include "graph/repulsion_path.h"
#include "support.h"
#include "ui/callbacks.h"

#include <cfloat>
#include <cmath>
#include <random>
#include <vector>

namespace {

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
    // A lone node: its velocity alone drives it into the walls, and keeps pointing out.
    objects = {{{0.9995f, 0.0005f}, {0.2f, -0.2f}}};
    timer(0);
    EXPECT_EQ(nodeBits(), nodeBits({{{1.0f, 0.0f}, {0.179999992f, -0.179999992f}}}));
    EXPECT_EQ(redisplays, 5) << "every tick redraws";
    for (const TimerRequest& t : timers) EXPECT_TRUE(t.delayMs == 50 && t.callback == &timer && t.value == 0);
    EXPECT_EQ(timers.size(), 5u);
}

// Nodes near, level with and on top of each other; edges repeated, looped and past the
// last node.
void messyGraph(std::size_t count, float spread) {
    std::mt19937 rng(static_cast<unsigned>(count));
    std::uniform_real_distribution<float> coord(0.5f - spread / 2.0f, 0.5f + spread / 2.0f);
    for (std::size_t i = 0; i < count; ++i) {
        const Object base = i ? objects[rng() % i] : Object{};
        const float kinds[][2] = {{base.pos[0], base.pos[1]}, {base.pos[0] + sep, base.pos[1]}, {coord(rng), coord(rng)}};
        const std::size_t kindX = rng() % 3, kindY = rng() % 3;
        objects.push_back({{kinds[kindX][0], kinds[kindY][1]}, {coord(rng) - 0.5f, 0.0f}});
        edges.push_back({static_cast<std::uint32_t>(rng() % (count + 2)), static_cast<std::uint32_t>(rng() % (count + 2))});
    }
}

// Every repulsion path gives what the plain one does, to the bit, and huge forces (the
// "+" key doubles the constant without limit) never carry a node off the unit square.
TEST_F(Layout, EveryPathMatchesThePlainOneAndStaysInside) {
    const struct { std::size_t count; float constant, sep, spread; } rows[] = {
        {301, kInitialConstant, kInitialSep, 0.5f}, {203, kInitialConstant, kInitialSep, 0.1f}, {97, 3.5f, 0.3f, 1.0f},
        {77, -FLT_MAX, kInitialSep, 0.2f}, {45, -INFINITY, kInitialSep, 0.2f}, {66, -1e38f, 0.5f, 0.5f},
        {33, kInitialConstant, 0.0f, 0.5f}, {29, kInitialConstant, 4.0f, 30.0f}, {5, FLT_MAX, kInitialSep, 0.05f},
    };
    for (const auto& row : rows) {
        constant = row.constant;
        sep = row.sep;
        clearGraph();
        messyGraph(row.count, row.spread);
        for (int tick = 0; tick < 10; ++tick) {
            const std::vector<Object> start = objects;
            layoutStep(RepulsionPath::kPlain);
            const std::vector<std::uint32_t> plain = nodeBits();
            for (RepulsionPath path : {RepulsionPath::kSse2, RepulsionPath::kAvx2}) {
                objects = start;
                layoutStep(path);  // a path this CPU lacks runs as the plain one
                ASSERT_EQ(nodeBits(), plain) << repulsionPathName(path) << ", " << row.count << " nodes, tick " << tick;
            }
            for (const Object& o : objects) {
                const bool inside = o.pos[0] >= 0.0f && o.pos[0] <= 1.0f && o.pos[1] >= 0.0f && o.pos[1] <= 1.0f;
                ASSERT_TRUE(inside && std::isfinite(o.vel[0]) && std::isfinite(o.vel[1])) << row.count << " nodes";
            }
        }
    }
}

}  // namespace
