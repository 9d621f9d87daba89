// The real program in a real window: what it draws, and what a person's pointer, keys and
// menu choices do to it and to graph.txt.

#include <gtest/gtest.h>

#include "harness.h"

#include <array>
#include <cmath>

// Which toolbar buttons are drawn lit.
constexpr std::array kNodeTool{true, false, false, false}, kEdgeTool{false, true, false, false};

// The toolbar fills exactly the top eighth: four buttons a quarter wide, each shaded from
// its left edge to its right (lit grey 1.0 to 0.7, unlit 0.5 to 0.2) and divided from the
// one before by a black line 3 pixels wide on its left edge, which fills the columns left-2
// to left. Its bottom row holds no icon.
static void expectToolbar(Frame& f, std::array<bool, 4> lit) {
    const int row = static_cast<int>(std::ceil(f.height / 8.0 - 0.5)) - 1;  // the last with its centre in it
    const int buttonWidth = f.width / 4;
    for (int x = 0; x < f.width; x += 7) f.expect({x, row + 1}, kBlack, "scene under the toolbar");
    for (int i = 0, left = 0; i < 4; ++i, left += buttonWidth) {
        for (int x = std::max(left - 2, 0); x <= left; ++x) f.expect({x, row}, kBlack, "divider");
        const double from = lit[i] ? 255 : 127.5, to = lit[i] ? 178.5 : 51;  // grey levels times 255
        for (int x = left + 1; x < left + buttonWidth - 2; ++x) {
            const double along = (x + 0.5 - left) / buttonWidth;  // at the pixel's centre
            const auto grey = static_cast<Rgb>(std::lround(from + (to - from) * along));
            f.expect({x, row}, grey << 16 | grey << 8 | grey, "button " + std::to_string(i), 2);
        }
    }
}

// A node placed at pixel p is centred on p's lower left corner, 0.01 of the window each
// way: columns p.x-6 to p.x+5 and rows p.y-4 to p.y+5 in a 640 x 480 window.
static void expectNode(Frame& f, Pixel p, Rgb colour, const std::string& what) {
    for (Pixel in : {Pixel{p.x - 6, p.y - 4}, Pixel{p.x + 5, p.y + 5}}) f.expect(in, colour, what);
    f.expect({p.x + 6, p.y + 6}, colour, what + ", beyond its corner", 0, false);
}

static Pixel midpoint(Pixel a, Pixel b) { return {(a.x + b.x) / 2, (a.y + b.y) / 2}; }
static Pixel toolbarButton(int i) { return {160 * i + 80, 55}; }
constexpr Pixel kMenuSpot{300, 100};  // where a menu covers no node we look at

// Pixels of the four icons in a 640 x 480 window, inside each and just beyond it.
struct IconProbe { const char* what; Pixel at; Rgb colour; bool drawn; };
constexpr IconProbe kIconProbes[] = {
    {"node icon's lower left", {28, 48}, kYellow, true},
    {"node icon's upper right", {131, 12}, kYellow, true},
    {"left of the node icon", {22, 30}, kYellow, false},
    {"edge icon's upper end", {198, 14}, kGreen, true},
    {"clear icon's arm", {376, 21}, kRed, true},
    {"clear icon's other arm", {424, 21}, kRed, true},
    {"run icon's tip", {595, 30}, kBlue, true},
};

TEST(Window, FirstFrameShowsTheToolbarItsIconsAndABlackSceneAtAnySize) {
    Editor editor;
    EXPECT_EQ(editor.waitUntilShown([](Frame& f) {
        expectToolbar(f, kNodeTool);
        for (const auto& [what, at, colour, drawn] : kIconProbes) f.expect(at, colour, what, 0, drawn);
        for (int i = 0; i < 400; ++i) f.expect({i * 37 % 640, 60 + i * 23 % 420}, kBlack, "scene");
    }), "");
    editor.resize(804, 403);  // a height that is no multiple of 8
    EXPECT_EQ(editor.waitUntilShown([](Frame& f) {
        if (f.width != 804 || f.height != 403) f.problems = "not resized yet";
        expectToolbar(f, kNodeTool);
    }), "");
}

TEST(Window, EditingJourney) {
    Editor editor;
    // Far from the unit square's diagonal and in no mirrored pairs, so that x and y mixed up
    // would pick other nodes.
    const Pixel a{120, 330}, b{200, 120}, c{520, 400}, cDragged{570, 350}, bandEnd{b.x - 4, b.y + 3};
    for (Pixel p : {a, b, c}) editor.click(p);
    // With no button held, the node nearest the pointer turns blue, the others stay yellow.
    editor.moveTo({b.x + 10, b.y + 15});
    EXPECT_EQ(editor.waitUntilShown([&](Frame& f) {
        expectNode(f, b, kBlue, "nearest node");
        expectNode(f, c, kYellow, "node placed last");
    }), "");
    // Edge tool: a green rubber band while the left button is held, a red edge after release.
    editor.click(toolbarButton(1));
    editor.drag({a.x + 3, a.y - 2}, bandEnd, 1, [&] {
        EXPECT_EQ(editor.waitUntilShown([&](Frame& f) {
            expectToolbar(f, kEdgeTool);
            f.expect(midpoint(a, bandEnd), kGreen, "rubber band");
        }), "");
    });
    EXPECT_EQ(editor.waitUntilShown([&](Frame& f) { f.expect(midpoint(a, b), kRed, "edge"); }), "");
    // The middle button drags the node nearest the pointer.
    editor.drag({c.x + 2, c.y - 1}, cDragged, 2);
    EXPECT_EQ(editor.savedGraph(), "3\n" + nodeLine(a) + nodeLine(b) + nodeLine(cDragged) + "1\n0 1\n");

    editor.click(toolbarButton(2));  // Clear
    EXPECT_EQ(editor.waitUntilShown([&](Frame& f) { f.expect(b, kBlack, "cleared node"); }), "");
    editor.chooseMenu(kMenuSpot, kOpenGraph);
    // "Remove Node" takes the node nearest where the menu was opened, with its edge.
    editor.chooseMenu({b.x + 6, b.y + 9}, kRemoveNode);
    EXPECT_EQ(editor.savedGraph(), "2\n" + nodeLine(a) + nodeLine(cDragged) + "0\n");

    // An edge naming no node is not drawn (a sanitizer build sees any read of node 4, just
    // past the room the nodes are kept in); the others are, and the program carries on.
    editor.writeGraph("3\n" + nodeLine(a) + nodeLine(b) + nodeLine(c) + "2\n0 4\n0 1\n");
    editor.chooseMenu(kMenuSpot, kOpenGraph);
    EXPECT_EQ(editor.waitUntilShown([&](Frame& f) { f.expect(midpoint(a, b), kRed, "other edge"); }), "");
    editor.chooseMenu(kMenuSpot, kPauseUnpause);
    EXPECT_EQ(editor.waitUntilShown([](Frame& f) { expectToolbar(f, {false, true, false, true}); }), "");
}

TEST(Window, LayoutMovesNodesOnlyWhileRunIsLitAndClampsThemIntoTheWindow) {
    Editor editor;
    // Two far nodes joined by an edge, and a third that nothing acts on.
    const Pixel left{100, 260}, right{540, 240}, alone{600, 420}, beyondBorder{700, 420};
    const std::string joined = "3\n" + nodeLine(left) + nodeLine(right), edge = "1\n0 1\n";
    editor.writeGraph(joined + nodeLine(alone) + edge);
    editor.chooseMenu(kMenuSpot, kOpenGraph);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // six ticks with Run unlit
    EXPECT_EQ(editor.savedGraph(), joined + nodeLine(alone) + edge);
    editor.drag(alone, beyondBorder, 2);
    EXPECT_EQ(editor.savedGraph(), joined + nodeLine(beyondBorder) + edge);

    editor.click(toolbarButton(3));
    EXPECT_EQ(editor.waitUntilShown([&](Frame& f) {
        f.expect({left.x - 6, left.y}, kBlack, "left node's outer edge, pulled right");
        f.expect({right.x + 5, right.y}, kBlack, "right node's outer edge, pulled left");
    }), "");
    const std::string clamped = "\n" + nodeLine({640, beyondBorder.y});  // x exactly 1
    EXPECT_TRUE(waitFor([&] { return editor.savedGraph().find(clamped) != std::string::npos; })) << clamped;
}

TEST(Window, EscQAndQuitEachEndTheProgramWithStatusZero) {
    for (const std::string way : {"Escape", "q", "Q", "Quit"}) {
        Editor editor;
        way == "Quit" ? editor.chooseMenu(kMenuSpot, kQuit) : editor.type(way);
        EXPECT_EQ(editor.exitStatus(), 0) << way;
    }
}
