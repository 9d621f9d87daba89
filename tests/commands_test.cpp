#include "editor_state.h"
#include "ui/callbacks.h"

#include <bit>
#include <cstdint>
#include <limits>
#include <string>

namespace {

using Commands = EditorTest;

struct KeyCase {
    const char* name;
    const char* keys;
    float constant;
    float sep;
};

class KeySequence : public EditorTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(KeySequence, TunesTheLayoutBitForBitWithoutRedrawing) {
    const KeyCase& c = GetParam();
    for (const char* k = c.keys; *k; ++k) keyboard(static_cast<unsigned char>(*k), 17, 23);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(constant), std::bit_cast<std::uint32_t>(c.constant)) << constant;
    EXPECT_EQ(std::bit_cast<std::uint32_t>(sep), std::bit_cast<std::uint32_t>(c.sep)) << sep;
    EXPECT_EQ(windowRequestLog.redisplays, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, KeySequence,
    ::testing::Values(KeyCase{"three_doublings", "+++", -0.8f, 0.1f},
                      KeyCase{"equals_doubles_too", "=+=", -0.8f, 0.1f},
                      KeyCase{"zero_resets_constant", "+++0", -0.1f, 0.1f},
                      KeyCase{"minus_halves", "-", -0.05f, 0.1f},
                      KeyCase{"underscore_halves_too", "_-", -0.025f, 0.1f},
                      KeyCase{"three_halves_sep", "3", -0.1f, 0.05f},
                      KeyCase{"two_then_three_restores_sep", "23", -0.1f, 0.1f},
                      KeyCase{"one_resets_sep", "2221", -0.1f, 0.1f},
                      KeyCase{"two_doubles_sep", "22", -0.1f, 0.4f},
                      KeyCase{"unassigned_keys", "abzAZ \t\r\n4789!@#*/", -0.1f, 0.1f},
                      KeyCase{"bytes_above_ascii", "\x80\xb1\xbd\xdf\xff", -0.1f, 0.1f}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(Commands, ConstantDoublesAndHalvesWithoutBound) {
    for (int i = 0; i < 200; ++i) keyboard('+', 0, 0);
    EXPECT_EQ(constant, -std::numeric_limits<float>::infinity());
    keyboard('0', 0, 0);
    for (int i = 0; i < 200; ++i) keyboard('-', 0, 0);
    EXPECT_EQ(constant, -0.0f);
}

TEST_F(Commands, EscQAndQuitEndTheProgramWithStatusZero) {
    EXPECT_EXIT(keyboard(27, 0, 0), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(keyboard('q', 0, 0), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(keyboard('Q', 0, 0), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(menu(kQuit), ::testing::ExitedWithCode(0), "");
}

TEST_F(Commands, RemoveNodeTakesTheNodeNearestThePointerHoweverFar) {
    menu(kRemoveNode);
    EXPECT_TRUE(objects.empty());

    addNode(0.2f, 0.2f);
    addNode(0.8f, 0.8f);
    addNode(0.5f, 0.5f);
    edges = {{0, 1}, {1, 2}, {2, 0}};
    mx = 5.0f;
    my = 5.0f;
    menu(kRemoveNode);
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(objects[1].pos[0], 0.5f);
    EXPECT_EQ(edges, (std::vector<Edge>{{1, 0}}));
    EXPECT_EQ(windowRequestLog.redisplays, 0) << "the next tick shows it";
}

TEST_F(Commands, PauseAndTheRunButtonShareOneSwitch) {
    ww = 640;
    wh = 480;
    menu(kPauseUnpause);
    EXPECT_TRUE(menuSelected[kRunButton]);
    mouse(kLeftButton, kButtonPressed, 600, 10);  // the Run button
    EXPECT_FALSE(menuSelected[kRunButton]);
    menu(kPauseUnpause);
    menu(kPauseUnpause);
    EXPECT_FALSE(menuSelected[kRunButton]);
}

TEST_F(Commands, UnknownMenuValuesDoNothing) {
    addNode(0.5f, 0.5f);
    for (int value : {0, 6, -1, 1000}) menu(value);
    EXPECT_EQ(objects.size(), 1u);
    EXPECT_FALSE(menuSelected[kRunButton]);
    EXPECT_EQ(windowRequestLog.redisplays, 0);
}

}  // namespace
