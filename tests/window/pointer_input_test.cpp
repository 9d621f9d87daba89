// Mouse input on the real window: nodes, edges, drags and the toolbar, checked on screen.

#include "harness.h"
#include "scene.h"

namespace window_test {
namespace {

// Toolbar buttons, left to right.
constexpr int kNodeTool = 0;
constexpr int kEdgeTool = 1;
constexpr int kClear = 2;
constexpr int kRun = 3;

Pixel toolbarButton(const Editor& editor, int index) {
    return {editor.width() * (2 * index + 1) / 8, editor.height() / 16};
}

class PointerInput : public ::testing::Test {
  protected:
    std::vector<PixelCheck> node(Pixel clickedAt, Rgb colour, const std::string& what) const {
        return nodeChecks(editor.sceneOf(clickedAt), w(), h(), colour, what);
    }
    std::vector<PixelCheck> nothingAt(Pixel p, const std::string& what) const {
        return {{p, kBlack, 0, what}};
    }
    std::vector<PixelCheck> line(Pixel from, Pixel to, Rgb colour, const std::string& what) const {
        return {{lineMiddle(editor.sceneOf(from), editor.sceneOf(to), w(), h()), colour, 0, what}};
    }
    std::vector<PixelCheck> toolbar(const std::array<bool, 4>& lit) const { return toolbarChecks(w(), h(), lit); }
    int w() const { return editor.width(); }
    int h() const { return editor.height(); }

    Editor editor;
};

TEST_F(PointerInput, PlacesJoinsDragsAndClearsNodes) {
    const Pixel a{160, 300};
    const Pixel b{480, 300};
    const Pixel c{320, 420};

    // Node tool: each left click puts a node exactly where it was; the pointer is on the
    // last one, so that one is the highlighted node.
    editor.click(a);
    editor.click(b);
    editor.click(c);
    ASSERT_TRUE(editor.waitForPixels(node(a, kYellow, "node a") + node(b, kYellow, "node b") +
                                     node(c, kBlue, "node c, under the pointer")));

    // The highlight follows the pointer to the nearest node.
    editor.moveTo({a.x + 30, a.y - 20});
    ASSERT_TRUE(editor.waitForPixels(node(a, kBlue, "node a, nearest the pointer") +
                                     node(b, kYellow, "node b") + node(c, kYellow, "node c")));

    // Edge tool: the toolbar shows it, and a press on a starts a green rubber band that
    // follows the pointer while the button is held.
    editor.click(toolbarButton(editor, kEdgeTool));
    ASSERT_TRUE(editor.waitForPixels(toolbar({false, true, false, false})));
    const Pixel free{300, 150};
    editor.moveTo(a);
    editor.press(a);
    editor.moveTo(free);
    EXPECT_TRUE(editor.waitForPixels(line(a, free, kGreen, "rubber band from a to the pointer")));

    // Releasing nearest b joins a and b with a red edge; the band is gone.
    editor.moveTo({b.x - 3, b.y + 2});
    editor.release({b.x - 3, b.y + 2});
    EXPECT_TRUE(editor.waitForPixels(line(a, b, kRed, "edge a-b") +
                                     nothingAt(lineMiddle(editor.sceneOf(a), editor.sceneOf(free), w(), h()),
                                               "where the rubber band was")));

    // The middle button drags the node nearest the pointer, here c, with either tool on.
    const Pixel d{560, 120};
    editor.drag(c, d, Button::Middle);
    EXPECT_TRUE(editor.waitForPixels(node(d, kBlue, "dragged node c, under the pointer") +
                                     nothingAt(c, "where c was") + line(a, b, kRed, "edge a-b") +
                                     node(a, kYellow, "node a") + node(b, kYellow, "node b")));

    // Clear empties the scene at once; it is never drawn lit.
    editor.click(toolbarButton(editor, kClear));
    EXPECT_TRUE(editor.waitForPixels(nothingAt(a, "node a") + nothingAt(b, "node b") + nothingAt(d, "node c") +
                                     line(a, b, kBlack, "edge a-b") + toolbar({false, true, false, false})));
}

TEST_F(PointerInput, ClearingWhileDraggingLeavesNothingToDrag) {
    const Pixel a{200, 300};
    const Pixel b{400, 350};
    editor.click(a);
    editor.click(b);
    // Grab b with the middle button and move it; with the button still held, clear the
    // graph from the toolbar and keep moving.
    editor.moveTo(b);
    editor.press(b, Button::Middle);
    const Pixel moved{450, 250};
    editor.moveTo(moved);
    ASSERT_TRUE(editor.waitForPixels(node(moved, kBlue, "dragged node") + nothingAt(b, "where it was")));
    editor.click(toolbarButton(editor, kClear));
    editor.moveTo({500, 200});
    editor.moveTo({520, 300});
    editor.release({520, 300}, Button::Middle);
    // The graph stays empty and the editor goes on working.
    const Pixel c{300, 400};
    editor.click(c);
    editor.moveTo({600, 450});
    EXPECT_TRUE(editor.waitForPixels(node(c, kBlue, "node placed afterwards") + nothingAt(a, "node a") +
                                     nothingAt(moved, "node b") + nothingAt({520, 300}, "last pointer position")));
    EXPECT_TRUE(editor.running());
}

TEST_F(PointerInput, ToolbarLightsFollowPresses) {
    struct Step {
        int button;
        Button mouseButton;
        std::array<bool, 4> lit;
    };
    const std::vector<Step> steps{
        {kEdgeTool, Button::Left, {false, true, false, false}},
        {kRun, Button::Left, {false, true, false, true}},
        {kClear, Button::Left, {false, true, false, true}},
        {kNodeTool, Button::Left, {true, false, false, true}},
        {kRun, Button::Left, {true, false, false, false}},
        // The middle button on the toolbar is a toolbar press too.
        {kEdgeTool, Button::Middle, {false, true, false, false}},
        {kNodeTool, Button::Middle, {true, false, false, false}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE("press on toolbar button " + std::to_string(step.button));
        editor.click(toolbarButton(editor, step.button), step.mouseButton);
        EXPECT_TRUE(editor.waitForPixels(toolbar(step.lit)));
    }
    // None of those presses put anything in the scene.
    EXPECT_TRUE(editor.waitForPixels(nothingAt({w() / 2, firstSceneRow(h())}, "scene under the toolbar")));
}

TEST_F(PointerInput, TheToolbarEndsAtTheTopEighth) {
    // In a 480-pixel window row 59 is the toolbar's last row and row 60 the scene's first.
    ASSERT_EQ(firstSceneRow(h()), 60);
    const Pixel onToolbar{100, 59};   // Node tool button: no node
    const Pixel inScene{300, 60};     // a node, half hidden under the toolbar
    editor.click(onToolbar);
    editor.click(inScene);
    editor.moveTo({600, 400});
    EXPECT_TRUE(editor.waitForPixels(node(inScene, kBlue, "node placed on the first scene row") +
                                     nothingAt({100, 60}, "below the toolbar press") +
                                     toolbar({true, false, false, false})));
}

TEST_F(PointerInput, AnEdgeReleasedOverTheToolbarJoinsTheNearestNode) {
    const Pixel a{100, 400};
    const Pixel b{500, 100};
    editor.click(a);
    editor.click(b);
    editor.click(toolbarButton(editor, kEdgeTool));
    // Released over the Run button, which is nearest b: the edge is made, the layout
    // does not start.
    editor.drag(a, {500, 20});
    editor.moveTo({320, 300});
    EXPECT_TRUE(editor.waitForPixels(line(a, b, kRed, "edge a-b") + toolbar({false, true, false, false})));
}

TEST_F(PointerInput, NodesLandUnderThePointerAfterAResize) {
    editor.resize(900, 300);
    // A frame at the new size shows the program has taken the size in.
    ASSERT_TRUE(editor.waitForPixels(toolbar({true, false, false, false})));
    const Pixel a{850, 280};
    const Pixel b{20, 60};
    editor.click(a);
    editor.click(b);
    editor.moveTo({450, 200});
    EXPECT_TRUE(editor.waitForPixels(node(a, kBlue, "node a, nearest the pointer") + node(b, kYellow, "node b") +
                                     toolbar({true, false, false, false})));
}

}  // namespace
}  // namespace window_test
