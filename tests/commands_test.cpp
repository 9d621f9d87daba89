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
        EXPECT_TRUE(bits(constant) == bits(row.constant) && bits(sep) == bits(row.sep)) << row.keys << ": " << constant << ", " << sep;
    }
    for (int i = 0; i < 200; ++i) keyboard('+', 0, 0);
    EXPECT_EQ(constant, -INFINITY) << "no bound";
    EXPECT_EQ(redisplays, 0);
}

// The Run button and "Pause/Unpause" toggle the same switch; menu entries request no redraw.
TEST_F(Commands, PauseAndTheRunButtonShareOneSwitch) {
    ww = 640;
    wh = 480;
    for (int value : {int{kPauseUnpause}, 0, 6, int{kPauseUnpause}, -1}) menu(value);  // 0, 6 and -1 are no entries
    EXPECT_FALSE(menuSelected[kRunButton]);
    mouse(kLeftButton, kButtonPressed, 600, 10);  // the Run button
    menu(kPauseUnpause);
    menu(kRemoveNode);  // on an empty graph: nothing
    EXPECT_FALSE(menuSelected[kRunButton]);
    EXPECT_EQ(redisplays, 1) << "only the press redraws";
}

}  // namespace
