// The whole editor as a person uses it: mouse, pop-up menu and keys on the real window,
// checked through graph.txt and through the pixels it shows.

#include "graph_on_screen.h"
#include "harness.h"
#include "scene.h"

namespace window_test {
namespace {

constexpr int kEdgeTool = 1;
constexpr int kClear = 2;

Pixel toolbarButton(const Editor& editor, int index) {
    return {editor.width() * (2 * index + 1) / 8, editor.height() / 16};
}

std::vector<ScenePoint> scenePoints(const Editor& editor, const std::vector<Pixel>& pixels) {
    std::vector<ScenePoint> points;
    for (Pixel p : pixels) points.push_back(editor.sceneOf(p));
    return points;
}

TEST(EditorSession, BuildsSavesClearsOpensAndRemovesThroughTheRealWindow) {
    Editor editor;  // its own install tree, started from an unrelated directory
    const Pixel menuAt{40, 300};  // where the context menu is opened, away from every node
    const Pixel rest{40, 460};    // where the pointer waits while the screen is checked

    // Four nodes with the Node tool, four edges with the Edge tool, then node 2 dragged
    // elsewhere with the middle button.
    std::vector<Pixel> put{{120, 400}, {300, 380}, {500, 420}, {420, 200}};
    for (Pixel p : put) editor.click(p);
    editor.click(toolbarButton(editor, kEdgeTool));
    editor.drag(put[0], put[1]);
    editor.drag(put[1], {put[2].x + 4, put[2].y - 3});  // released near, not on, node 2
    editor.drag(put[3], put[0]);
    editor.drag(put[2], put[3]);
    const Pixel dragged{560, 300};
    editor.drag(put[2], dragged, Button::Middle);
    put[2] = dragged;
    const EdgeList drawn{{0, 1}, {1, 2}, {3, 0}, {2, 3}};

    editor.moveTo(rest);
    ASSERT_TRUE(editor.waitForPixels(graphChecks(editor, scenePoints(editor, put), drawn, rest)));

    // Saved: every node where its pixel maps to, printed as %g; the edges in drawing order.
    const std::string saved = saveThroughMenu(editor, menuAt);
    EXPECT_EQ(saved, graphText(scenePoints(editor, put), drawn));

    // Clear empties the screen; opening the file brings the same graph back.
    editor.click(toolbarButton(editor, kClear));
    editor.moveTo(rest);
    std::vector<PixelCheck> empty;
    for (Pixel p : put) empty.push_back({p, kBlack, 0, "cleared node"});
    ASSERT_TRUE(editor.waitForPixels(empty));
    editor.chooseMenu(menuAt, "Graph", "Open graph.txt");
    editor.moveTo(rest);
    // Loaded coordinates are the six-digit ones of the file.
    const std::optional<SavedGraph> loaded = parseGraph(saved);
    ASSERT_TRUE(loaded.has_value()) << saved;
    EXPECT_TRUE(editor.waitForPixels(graphChecks(editor, loaded->nodes, drawn, rest)));

    // Pointing at node 1 and choosing "Remove Node" takes it and its two edges away; the
    // nodes after it move down one index, and the edges with them.
    editor.chooseMenu(put[1], "Node", "Remove Node");
    editor.moveTo(rest);
    const std::vector<ScenePoint> left{loaded->nodes[0], loaded->nodes[2], loaded->nodes[3]};
    const EdgeList kept{{2, 0}, {1, 2}};
    std::vector<PixelCheck> checks = graphChecks(editor, left, kept, rest);
    checks.push_back({put[1], kBlack, 0, "removed node 1"});
    checks.push_back({lineMiddle(loaded->nodes[0], loaded->nodes[1], editor.width(), editor.height()), kBlack,
                      0, "removed edge 0-1"});
    checks.push_back({lineMiddle(loaded->nodes[1], loaded->nodes[2], editor.width(), editor.height()), kBlack,
                      0, "removed edge 1-2"});
    EXPECT_TRUE(editor.waitForPixels(checks));
    EXPECT_EQ(saveThroughMenu(editor, menuAt), graphText(left, kept));
}

TEST(EditorSession, OpeningWithoutAGraphFileKeepsTheGraphOnScreen) {
    Editor editor;
    const Pixel a{200, 300};
    editor.click(a);
    ASSERT_TRUE(editor.waitForPixels({{a, kBlue, 0, "node"}}));
    editor.chooseMenu({400, 200}, "Graph", "Open graph.txt");
    // Input is handled in order: once a node placed after the menu choice shows, the
    // open has been handled.
    const Pixel b{500, 400};
    editor.click(b);
    EXPECT_TRUE(editor.waitForPixels({{b, kBlue, 0, "node placed after opening"},
                                      {a, kYellow, 0, "node placed before opening"}}));
    EXPECT_FALSE(editor.readResource("graph.txt").has_value()) << "opening must not create graph.txt";
}

TEST(EditorSession, RemoveNodeOnAnEmptyGraphDoesNothing) {
    Editor editor;
    editor.chooseMenu({300, 300}, "Node", "Remove Node");
    const Pixel p{320, 240};
    editor.click(p);
    EXPECT_TRUE(editor.waitForPixels({{p, kBlue, 0, "node placed afterwards"}}));
    EXPECT_TRUE(editor.running());
}

TEST(EditorSession, EscQAndShiftQEachEndTheProgramWithStatusZero) {
    for (const char key : {'\x1b', 'q', 'Q'}) {
        SCOPED_TRACE(std::string("key code ") + std::to_string(static_cast<int>(key)));
        Editor editor;
        editor.typeChar(key);
        EXPECT_EQ(editor.waitForExit(), std::optional<int>(0));
    }
}

TEST(EditorSession, QuitFromTheMenuEndsTheProgramWithStatusZero) {
    Editor editor;
    editor.chooseMenu({200, 200}, "Graph", "Quit");
    EXPECT_EQ(editor.waitForExit(), std::optional<int>(0));
    EXPECT_FALSE(editor.readResource("graph.txt").has_value()) << "quitting does not save";
}

TEST(EditorSession, OtherKeysLeaveTheProgramRunning) {
    Editor editor;
    // Letters in either case, digits without a command, and shifted punctuation.
    for (const char key : {'w', 'W', 'x', 'E', '4', '9', '!', '@', ' ', '\r', 'a', 'Z'}) editor.typeChar(key);
    // Input is handled in order: once a click made after the keys shows, every key has
    // been handled.
    const Pixel p{320, 300};
    editor.click(p);
    EXPECT_TRUE(editor.waitForPixels({{p, kBlue, 0, "node placed after the keys"}}));
    EXPECT_TRUE(editor.running());
}

}  // namespace
}  // namespace window_test
