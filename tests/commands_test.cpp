#include "support.h"
#include "ui/callbacks.h"

#include <cmath>
#include <string>

namespace {

using Commands = EditorTest;

TEST_F(Commands, KeysTuneTheLayoutBitForBitWithoutRedrawing) {
    const struct { std::string keys; float constant, sep; } rows[] = {
        {"+=+", -0.8f, 0.1f}, {"+++0", -0.1f, 0.1f}, {"-_", -0.025f, 0.1f}, {"3", -0.1f, 0.05f}, {"223", -0.1f, 0.2f},
        {"2221", -0.1f, 0.1f}, {"abzAZ \t\r\n4789!@#*/", -0.1f, 0.1f}, {"\x80\xb1\xbd\xdf\xff", -0.1f, 0.1f},
    };
    for (const auto& row : rows) {
        constant = kInitialConstant;
        sep = kInitialSep;
        for (char key : row.keys) keyboard(static_cast<unsigned char>(key), 17, 23);
        EXPECT_EQ(bits(constant), bits(row.constant)) << "keys " << row.keys << ": " << constant;
        EXPECT_EQ(bits(sep), bits(row.sep)) << "keys " << row.keys << ": " << sep;
    }
    for (int i = 0; i < 200; ++i) keyboard('+', 0, 0);
    EXPECT_EQ(constant, -INFINITY) << "no bound";
    EXPECT_EQ(windowLog.redisplays, 0);
}

TEST_F(Commands, MenuRemovesTheNodeNearestThePointerAndPausesWithoutRedrawing) {
    menu(kRemoveNode);  // on an empty graph: nothing
    objects = {{{0.2f, 0.7f}, {}}, {{0.8f, 0.4f}, {}}, {{0.5f, 0.1f}, {}}};
    edges = {{0, 1}, {1, 2}, {2, 0}};
    mx = 4.0f;   // far right and below: nearest node 1, where the same
    my = -1.0f;  // point with x and y swapped is nearest node 0
    menu(kRemoveNode);
    EXPECT_EQ(nodeBits(), nodeBits({{{0.2f, 0.7f}, {}}, {{0.5f, 0.1f}, {}}}));
    EXPECT_EQ(edges, (std::vector<Edge>{{1, 0}}));
    for (int value : {int{kPauseUnpause}, 0, 6, int{kPauseUnpause}, -1}) menu(value);  // 0, 6 and -1 are no entries
    EXPECT_FALSE(menuSelected[kRunButton]);
    ww = 640;
    wh = 480;
    mouse(kLeftButton, kButtonPressed, 600, 10);  // the Run button: the same switch
    EXPECT_TRUE(menuSelected[kRunButton]);
    EXPECT_EQ(objects.size(), 2u);
    EXPECT_EQ(windowLog.redisplays, 1) << "only the press redraws";
}

}  // namespace
