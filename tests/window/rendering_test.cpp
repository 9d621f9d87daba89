// What the window shows, read back pixel by pixel from the real program under Xvfb.

#include "harness.h"
#include "scene.h"

#include <algorithm>

namespace window_test {
namespace {

constexpr std::array<bool, 4> kStartLit{true, false, false, false};

TEST(Rendering, FirstFrameIsABlackSceneUnderTheToolbar) {
    Editor editor;
    const int w = editor.width();
    const int h = editor.height();
    ASSERT_EQ(w, 640);
    ASSERT_EQ(h, 480);

    std::vector<PixelCheck> checks = toolbarChecks(w, h, kStartLit);
    for (Pixel p : {Pixel{0, firstSceneRow(h)}, Pixel{w - 1, firstSceneRow(h)}, Pixel{w / 2, h / 2},
                    Pixel{0, h - 1}, Pixel{w - 1, h - 1}}) {
        checks.push_back({p, kBlack, 0, "empty scene"});
    }
    EXPECT_TRUE(editor.waitForPixels(checks));
}

TEST(Rendering, ToolbarKeepsTheTopEighthAtAnySize) {
    Editor editor;
    // Sizes whose height is a multiple of 8 put the toolbar's edge between two rows.
    for (auto [w, h] : {std::pair{800, 400}, std::pair{400, 640}, std::pair{1000, 120}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        editor.resize(w, h);
        ASSERT_EQ(firstSceneRow(h), h / 8);
        std::vector<PixelCheck> checks = toolbarChecks(w, h, kStartLit);
        checks.push_back({{w - 1, 0}, grey(0.2), 2, "right end of the toolbar"});
        checks.push_back({{w - 1, h / 8 - 1}, grey(0.2), 2, "right end of the toolbar, last row"});
        checks.push_back({{w - 1, h / 8}, kBlack, 0, "scene under the right end of the toolbar"});
        checks.push_back({{w - 1, h - 1}, kBlack, 0, "bottom-right corner of the scene"});
        EXPECT_TRUE(editor.waitForPixels(checks));
    }
}

TEST(Rendering, WindowTitleIsTheProgramPathAsInvoked) {
    const std::vector<LaunchOptions> invocations{
        {},                        // by its absolute path, from an unrelated directory
        {"./graph-editor", "bin"},  // by a relative path, from its own directory
        {"../bin/graph-editor", "Resources"},
    };
    for (const LaunchOptions& options : invocations) {
        Editor editor(options);
        SCOPED_TRACE(editor.invokedAs());
        std::vector<std::string> titles = topLevelTitles();
        std::erase(titles, std::string("freeglut menu"));
        EXPECT_EQ(titles, std::vector<std::string>{editor.invokedAs()});
    }
}

TEST(Rendering, RightButtonOpensTheContextMenuWithNodeAboveGraph) {
    Editor editor;
    const Pixel at{200, 250};
    const MenuWindow top = editor.openMenu(at);
    // The menu opens with its top-left corner at the pointer.
    EXPECT_EQ(top.x, at.x);
    EXPECT_EQ(top.y, at.y);
    EXPECT_EQ(editor.menuEntries(top), 2);

    // The first entry opens the one-entry "Node" sub-menu, the second the four-entry
    // "Graph" sub-menu, each level with the entry that opened it.
    const MenuWindow node = editor.hoverMenuEntry(top, 0);
    EXPECT_EQ(editor.menuEntries(node), 1);
    EXPECT_EQ(node.y, top.y);
    EXPECT_GE(node.x, top.x + top.width);
    const MenuWindow graph = editor.hoverMenuEntry(top, 1);
    EXPECT_EQ(editor.menuEntries(graph), 4);
    EXPECT_EQ(graph.y, top.y + editor.menuEntryHeight());
    EXPECT_EQ(editor.visibleMenus().size(), 2u);

    editor.closeMenus();
    // Neither the right button nor the click that closed the menu reached the scene.
    std::vector<PixelCheck> checks = toolbarChecks(editor.width(), editor.height(), kStartLit);
    for (Pixel p : {at, Pixel{2, editor.height() - 3}}) checks.push_back({p, kBlack, 0, "scene"});
    EXPECT_TRUE(editor.waitForPixels(checks));
    EXPECT_TRUE(editor.running());
}

}  // namespace
}  // namespace window_test
