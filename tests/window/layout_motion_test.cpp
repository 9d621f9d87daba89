// The animated layout on the real window: the Run button, "Pause/Unpause", the keys that
// tune it, and what it leaves in graph.txt.

#include "graph_on_screen.h"
#include "harness.h"
#include "scene.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <thread>

namespace window_test {
namespace {

constexpr int kEdgeTool = 1;
constexpr int kRun = 3;
constexpr std::array<bool, 4> kNodeToolRunning{true, false, false, true};
constexpr std::array<bool, 4> kNodeToolStopped{true, false, false, false};
constexpr std::array<bool, 4> kEdgeToolRunning{false, true, false, true};
constexpr std::array<bool, 4> kEdgeToolStopped{false, true, false, false};

// Long enough for six timer ticks: a running layout moves the nodes below by several
// pixels in that time. Used only where nothing happening is what is checked, which no
// condition can be polled for.
constexpr auto kSeveralTicks = 300ms;

Pixel toolbarButton(const Editor& editor, int index) {
    return {editor.width() * (2 * index + 1) / 8, editor.height() / 16};
}

std::vector<PixelCheck> toolbar(const Editor& editor, const std::array<bool, 4>& lit) {
    return toolbarChecks(editor.width(), editor.height(), lit);
}

bool samePlaces(const std::vector<ScenePoint>& a, const std::vector<ScenePoint>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].x != b[i].x || a[i].y != b[i].y) return false;
    }
    return true;
}

std::string describe(const std::vector<ScenePoint>& nodes) {
    std::string text;
    for (const ScenePoint& n : nodes) text += " (" + fileNumber(n.x) + ", " + fileNumber(n.y) + ")";
    return text.empty() ? " none" : text;
}

// Distance between the leftmost and the rightmost node drawn level with `y`.
float spreadOnRow(const std::vector<ScenePoint>& nodes, float y) {
    float low = 2, high = -1;
    for (const ScenePoint& n : nodes) {
        if (std::fabs(n.y - y) > 0.01f) continue;
        low = std::min(low, n.x);
        high = std::max(high, n.x);
    }
    return high - low;
}

// The nodes stay where they are for several ticks.
::testing::AssertionResult staysPut(const Editor& editor) {
    const std::vector<ScenePoint> before = nodesOnScreen(editor.snapshot());
    std::this_thread::sleep_for(kSeveralTicks);
    const std::vector<ScenePoint> after = nodesOnScreen(editor.snapshot());
    if (samePlaces(before, after)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "nodes moved from" << describe(before) << " to" << describe(after);
}

// Polls until the nodes are drawn anywhere else than in `from`.
::testing::AssertionResult movesAwayFrom(const Editor& editor, const std::vector<ScenePoint>& from) {
    std::vector<ScenePoint> now;
    if (waitUntil([&] { return !samePlaces(now = nodesOnScreen(editor.snapshot()), from); }, "moving")) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "nodes stayed at" << describe(now);
}

TEST(LayoutOnScreen, RunButtonStartsAndStopsTheMotion) {
    Editor editor;
    const Pixel a{160, 300};
    const Pixel b{480, 300};
    editor.click(a);
    editor.click(b);
    editor.click(toolbarButton(editor, kEdgeTool));
    editor.drag(a, b);
    editor.moveTo({320, 450});
    ASSERT_TRUE(editor.waitForPixels(toolbar(editor, kEdgeToolStopped) +
                                     graphChecks(editor, {editor.sceneOf(a), editor.sceneOf(b)}, {{0, 1}}, {320, 450})));
    const std::vector<ScenePoint> placed = nodesOnScreen(editor.snapshot());
    ASSERT_EQ(placed.size(), 2u);
    EXPECT_TRUE(staysPut(editor)) << "with the Run button unlit";

    // Lit, the edge pulls its two ends together.
    editor.click(toolbarButton(editor, kRun));
    ASSERT_TRUE(editor.waitForPixels(toolbar(editor, kEdgeToolRunning)));
    ASSERT_TRUE(movesAwayFrom(editor, placed));
    std::vector<ScenePoint> moved;
    ASSERT_TRUE(waitUntil([&] { return spreadOnRow(moved = nodesOnScreen(editor.snapshot()), placed[0].y) <
                                       spreadOnRow(placed, placed[0].y) - 0.01f; },
                          "pulled together"))
        << "nodes at" << describe(moved);

    // Unlit again, everything stops where it is.
    editor.click(toolbarButton(editor, kRun));
    ASSERT_TRUE(editor.waitForPixels(toolbar(editor, kEdgeToolStopped)));
    EXPECT_TRUE(staysPut(editor)) << "after the Run button was switched off";
}

TEST(LayoutOnScreen, RunsPausesThroughTheMenuAndSavesWhereTheNodesCameToRest) {
    Editor editor;
    // Two joined nodes far apart, and two unjoined ones close together by the right border.
    const std::vector<Pixel> put{{128, 336}, {512, 336}, {605, 192}, {630, 192}};
    for (Pixel p : put) editor.click(p);
    editor.click(toolbarButton(editor, kEdgeTool));
    editor.drag(put[0], put[1]);
    std::vector<ScenePoint> placed;
    for (Pixel p : put) placed.push_back(editor.sceneOf(p));
    editor.moveTo({320, 450});
    ASSERT_TRUE(editor.waitForPixels(graphChecks(editor, placed, {{0, 1}}, {320, 450})));

    // Run until the right-hand node is pushed against the border, then pause from the menu.
    editor.click(toolbarButton(editor, kRun));
    std::vector<ScenePoint> seen;
    ASSERT_TRUE(waitUntil(
        [&] {
            seen = nodesOnScreen(editor.snapshot());
            return std::any_of(seen.begin(), seen.end(), [](ScenePoint n) { return n.x > 0.994f; });
        },
        "pushed to the right border"))
        << "nodes at" << describe(seen);
    editor.chooseMenu({40, 300}, "Graph", "Pause/Unpause");
    ASSERT_TRUE(editor.waitForPixels(toolbar(editor, kEdgeToolStopped)));

    const std::string first = saveThroughMenu(editor, {40, 300});
    const std::optional<SavedGraph> saved = parseGraph(first);
    ASSERT_TRUE(saved.has_value()) << first;
    ASSERT_EQ(saved->nodes.size(), 4u) << first;
    EXPECT_EQ(saved->edges, (EdgeList{{0, 1}})) << first;
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE("node " + std::to_string(i));
        const ScenePoint n = saved->nodes[i];
        EXPECT_TRUE(n.x >= 0 && n.x <= 1 && n.y >= 0 && n.y <= 1) << first;
        // Every force here acts along x only: the pairs lie level.
        EXPECT_EQ(fileNumber(n.y), fileNumber(placed[i].y)) << first;
    }
    EXPECT_GT(saved->nodes[0].x, placed[0].x) << "the edge pulls its left end right\n" << first;
    EXPECT_LT(saved->nodes[1].x, placed[1].x) << "the edge pulls its right end left\n" << first;
    EXPECT_LT(saved->nodes[2].x, placed[2].x) << "the close pair pushes its left node left\n" << first;
    EXPECT_EQ(saved->nodes[3].x, 1.0f) << "the close pair pushes its right node to the border\n" << first;

    // Paused, nothing moves: a later save is the same.
    std::this_thread::sleep_for(kSeveralTicks);
    EXPECT_EQ(saveThroughMenu(editor, {40, 300}), first);
}

TEST(LayoutOnScreen, KeyThreeHalvesTheSeparation) {
    // Two level pairs, one 0.07 apart and one 0.04 apart: with the separation at 0.1 both
    // push apart; halved to 0.05, only the closer pair does.
    const auto placePairs = [](Editor& editor) {
        for (Pixel p : {Pixel{192, 288}, Pixel{237, 288}, Pixel{384, 192}, Pixel{410, 192}}) editor.click(p);
        editor.moveTo({320, 450});
    };
    const float wide = 288, close = 192;  // the rows of the two pairs

    {
        SCOPED_TRACE("separation 0.1");
        Editor editor;
        placePairs(editor);
        const float wideRow = editor.sceneOf({0, static_cast<int>(wide)}).y;
        ASSERT_TRUE(waitUntil([&] { return nodesOnScreen(editor.snapshot()).size() == 4; }, "showing 4 nodes"));
        editor.click(toolbarButton(editor, kRun));
        std::vector<ScenePoint> seen;
        EXPECT_TRUE(waitUntil([&] { return spreadOnRow(seen = nodesOnScreen(editor.snapshot()), wideRow) > 0.095f; },
                              "pushed apart"))
            << "nodes at" << describe(seen);
    }
    {
        SCOPED_TRACE("separation 0.05, after the key 3");
        Editor editor;
        editor.typeChar('3');
        placePairs(editor);
        const float wideRow = editor.sceneOf({0, static_cast<int>(wide)}).y;
        const float closeRow = editor.sceneOf({0, static_cast<int>(close)}).y;
        ASSERT_TRUE(waitUntil([&] { return nodesOnScreen(editor.snapshot()).size() == 4; }, "showing 4 nodes"));
        const float wideSpread = spreadOnRow(nodesOnScreen(editor.snapshot()), wideRow);
        editor.click(toolbarButton(editor, kRun));
        ASSERT_TRUE(editor.waitForPixels(toolbar(editor, kNodeToolRunning)));
        // The layout runs: the close pair parts...
        std::vector<ScenePoint> seen;
        EXPECT_TRUE(waitUntil([&] { return spreadOnRow(seen = nodesOnScreen(editor.snapshot()), closeRow) > 0.06f; },
                              "pushed apart"))
            << "nodes at" << describe(seen);
        // ...while the wider one, outside the halved separation, has not moved.
        EXPECT_EQ(spreadOnRow(nodesOnScreen(editor.snapshot()), wideRow), wideSpread);
    }
}

TEST(LayoutOnScreen, ANodeDraggedOutOfTheWindowComesBackToTheBorderWhenTheLayoutRuns) {
    Editor editor;
    const Pixel a{600, 300};
    editor.click(a);
    // With the middle button held the pointer may leave the window, and the node with it.
    const Pixel outside{editor.width() + 60, 300};
    editor.drag(a, outside, Button::Middle);
    editor.moveTo({320, 400});
    ASSERT_TRUE(waitUntil([&] { return nodesOnScreen(editor.snapshot()).empty(); }, "showing no node"));
    const ScenePoint out = editor.sceneOf(outside);
    ASSERT_GT(out.x, 1.0f);
    EXPECT_EQ(saveThroughMenu(editor, {40, 300}), graphText({out}, {}));

    // The next running step puts it back on the border.
    editor.click(toolbarButton(editor, kRun));
    std::vector<ScenePoint> seen;
    EXPECT_TRUE(waitUntil([&] { return (seen = nodesOnScreen(editor.snapshot())).size() == 1 && seen[0].x > 0.994f; },
                          "showing the node on the right border"))
        << "nodes at" << describe(seen);
    editor.click(toolbarButton(editor, kRun));
    ASSERT_TRUE(editor.waitForPixels(toolbar(editor, kNodeToolStopped)));
    EXPECT_EQ(saveThroughMenu(editor, {40, 300}), graphText({{1.0f, out.y}}, {}));
}

TEST(LayoutOnScreen, EdgesNamingNoNodeAreKeptButNeitherDrawnNorPulled) {
    Editor editor;
    {
        std::ofstream file(editor.resources() / "graph.txt");
        file << "3\n0.25 0.5\n0.75 0.5\n0.5 0.25\n3\n0 7\n0 1\n9 2\n";
    }
    editor.chooseMenu({40, 300}, "Graph", "Open graph.txt");
    const std::vector<ScenePoint> nodes{{0.25f, 0.5f}, {0.75f, 0.5f}, {0.5f, 0.25f}};
    const Pixel rest{600, 450};
    editor.moveTo(rest);
    // Only the edge between two real nodes is drawn.
    std::vector<PixelCheck> checks = graphChecks(editor, nodes, {{0, 1}}, rest);
    for (float t : {0.25f, 0.5f, 0.75f}) {
        const ScenePoint onTheWay{0.5f + (0.25f - 0.5f) * t, 0.25f + (0.5f - 0.25f) * t};
        checks.push_back({drawnAt(onTheWay, editor.width(), editor.height()), kBlack, 0, "between nodes 2 and 0"});
    }
    ASSERT_TRUE(editor.waitForPixels(checks));

    // Running, the real edge pulls its ends together; node 2, joined to nothing real and
    // far from the others, stays where it is.
    editor.click(toolbarButton(editor, kRun));
    std::vector<ScenePoint> seen;
    ASSERT_TRUE(waitUntil([&] { return spreadOnRow(seen = nodesOnScreen(editor.snapshot()), 0.5f) < 0.49f; },
                          "pulled together"))
        << "nodes at" << describe(seen);
    editor.click(toolbarButton(editor, kRun));
    ASSERT_TRUE(editor.waitForPixels(toolbar(editor, kNodeToolStopped)));

    // Saved back unchanged: every edge as it was read, node 2 where it was.
    const std::string saved = saveThroughMenu(editor, {40, 300});
    const std::optional<SavedGraph> graph = parseGraph(saved);
    ASSERT_TRUE(graph.has_value()) << saved;
    EXPECT_EQ(graph->edges, (EdgeList{{0, 7}, {0, 1}, {9, 2}})) << saved;
    ASSERT_EQ(graph->nodes.size(), 3u) << saved;
    EXPECT_EQ(graph->nodes[2].x, 0.5f) << saved;
    EXPECT_EQ(graph->nodes[2].y, 0.25f) << saved;
    EXPECT_TRUE(editor.running());
}

}  // namespace
}  // namespace window_test
