#include "editor_state.h"
#include "ui/callbacks.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kWheelUp = 3;

struct Pixel {
    int x;
    int y;
};

// Nodes the cases start from, at these window pixels.
constexpr Pixel kA{100, 300};
constexpr Pixel kB{500, 300};
constexpr Pixel kC{300, 400};

// A pixel in the toolbar strip over button i.
constexpr Pixel toolbar(int button) { return {button * 160 + 80, 30}; }

struct PointerEvent {
    enum Kind { kPress, kRelease, kMove } kind;
    int button;
    Pixel at;
};

PointerEvent press(int button, Pixel at) { return {PointerEvent::kPress, button, at}; }
PointerEvent release(int button, Pixel at) { return {PointerEvent::kRelease, button, at}; }
PointerEvent move(Pixel at) { return {PointerEvent::kMove, 0, at}; }
PointerEvent click(Pixel at) { return press(kLeftButton, at); }  // a press; its release is listed apart

struct Expected {
    std::size_t nodes;
    std::vector<Edge> edges;
    bool edgeTool;
    bool run;
    bool edgeStarted;
    bool middleDown;
    int redisplays;
};

struct PointerCase {
    const char* name;
    std::vector<PointerEvent> events;
    Expected expected;
};

float sceneX(int x) { return static_cast<float>(x) / static_cast<float>(kWidth); }
float sceneY(int y) { return static_cast<float>(kHeight - y - 1) / static_cast<float>(kHeight); }

class PointerSequence : public EditorTest, public ::testing::WithParamInterface<PointerCase> {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        ww = kWidth;
        wh = kHeight;
        for (Pixel p : {kA, kB, kC}) addNode(sceneX(p.x), sceneY(p.y));
    }

    static void send(const PointerEvent& e) {
        const float mxBefore = mx;
        const float myBefore = my;
        switch (e.kind) {
            case PointerEvent::kPress: mouse(e.button, kButtonPressed, e.at.x, e.at.y); break;
            case PointerEvent::kRelease: mouse(e.button, 1, e.at.x, e.at.y); break;
            case PointerEvent::kMove: motion(e.at.x, e.at.y); break;
        }
        EXPECT_NE(menuSelected[kNodeTool], menuSelected[kEdgeTool]) << "exactly one tool is lit";
        EXPECT_FALSE(menuSelected[kClearButton]);
        EXPECT_TRUE(!edgeStarted || menuSelected[kEdgeTool]) << "edges are drawn only with the Edge tool";
        if (e.kind != PointerEvent::kMove) {
            EXPECT_EQ(mx, mxBefore) << "buttons never move the pointer position";
            EXPECT_EQ(my, myBefore);
        }
    }
};

TEST_P(PointerSequence, LeavesTheEditorInTheExpectedState) {
    const PointerCase& c = GetParam();
    for (const PointerEvent& e : c.events) send(e);
    const Expected& want = c.expected;
    EXPECT_EQ(objects.size(), want.nodes);
    EXPECT_EQ(edges, want.edges);
    EXPECT_EQ(menuSelected[kEdgeTool], want.edgeTool);
    EXPECT_EQ(menuSelected[kRunButton], want.run);
    EXPECT_EQ(edgeStarted, want.edgeStarted);
    EXPECT_EQ(middleDown, want.middleDown);
    EXPECT_EQ(windowRequestLog.redisplays, want.redisplays);
}

// Expected: nodes, edges, edgeTool, run, edgeStarted, middleDown, redisplays.
INSTANTIATE_TEST_SUITE_P(
    Pointer, PointerSequence,
    ::testing::Values(
        PointerCase{"row_59_is_toolbar", {click({200, 59})}, {3, {}, true, false, false, false, 1}},
        PointerCase{"row_60_is_scene", {click({200, 60})}, {4, {}, false, false, false, false, 1}},
        PointerCase{"x_159_is_node_tool", {click({160, 10}), click({159, 10})}, {3, {}, false, false, false, false, 2}},
        PointerCase{"x_160_is_edge_tool", {click({160, 10})}, {3, {}, true, false, false, false, 1}},
        PointerCase{"x_639_is_run", {click({639, 10})}, {3, {}, false, true, false, false, 1}},
        PointerCase{"run_twice_restores", {click(toolbar(3)), click(toolbar(3))}, {3, {}, false, false, false, false, 2}},
        PointerCase{"beyond_the_sides_does_nothing", {click({-1000, 10}), click({2000, 10})}, {3, {}, false, false, false, false, 2}},
        PointerCase{"press_on_a_node_adds_another", {click(kA), release(kLeftButton, kA)}, {4, {}, false, false, false, false, 2}},
        PointerCase{"middle_press_in_toolbar_is_a_command", {press(kMiddleButton, toolbar(2))}, {0, {}, false, false, false, false, 1}},
        PointerCase{"other_buttons_below_toolbar_do_nothing", {press(kWheelUp, kA), release(kWheelUp, kA)}, {3, {}, false, false, false, false, 2}},
        PointerCase{"edge_joins_nearest_nodes",
                    {click(toolbar(1)), click({110, 310}), move({400, 250}), release(kLeftButton, {490, 290})},
                    {3, {{0, 1}}, true, false, false, false, 3}},
        PointerCase{"edge_release_over_toolbar_completes_it",
                    {click(toolbar(1)), click(kC), release(kLeftButton, {110, 20})},
                    {3, {{2, 0}}, true, false, false, false, 3}},
        PointerCase{"edge_ending_on_its_start_adds_nothing",
                    {click(toolbar(1)), click(kA), release(kLeftButton, {105, 305})},
                    {3, {}, true, false, false, false, 3}},
        PointerCase{"second_left_press_mid_edge_is_ignored",
                    {click(toolbar(1)), click(kA), click(kC), release(kLeftButton, kB)},
                    {3, {{0, 1}}, true, false, false, false, 4}},
        PointerCase{"tool_switch_abandons_the_edge",
                    {click(toolbar(1)), click(kA), press(kMiddleButton, toolbar(1)), release(kLeftButton, kB)},
                    {3, {}, true, false, false, false, 4}},
        PointerCase{"middle_press_mid_edge_restarts_it_from_the_pointer",
                    {click(toolbar(1)), move(kA), click(kA), move(kC), press(kMiddleButton, kC),
                     release(kMiddleButton, kB), release(kLeftButton, kB)},
                    {3, {{2, 1}}, true, false, false, false, 5}},
        PointerCase{"clear_during_a_node_drag",
                    {move(kA), press(kMiddleButton, kA), click(toolbar(2)), move({200, 200})},
                    {0, {}, false, false, false, true, 2}},
        PointerCase{"clear_during_an_edge_drag_adds_no_edge",
                    {click(toolbar(1)), click(kA), click(toolbar(2)), release(kLeftButton, kB)},
                    {0, {}, true, false, false, false, 4}}),
    [](const auto& row) { return std::string(row.param.name); });

using Pointer = EditorTest;

TEST_F(Pointer, MotionMapsPixelsWithoutClampingAndRedrawsOnlyForADrag) {
    ww = kWidth;
    wh = kHeight;
    motion(0, 479);
    EXPECT_EQ(mx, 0.0f);
    EXPECT_EQ(my, 0.0f);
    motion(-64, 527);  // reported outside the window
    EXPECT_EQ(mx, -0.1f);
    EXPECT_EQ(my, -0.1f);
    motion(320, 0);
    EXPECT_EQ(mx, 0.5f);
    EXPECT_EQ(my, 479.0f / 480.0f);
    EXPECT_EQ(windowRequestLog.redisplays, 0);
}

TEST_F(Pointer, MiddleDragMovesTheNodeNearestTheLastPointerPositionKeepingItsVelocity) {
    ww = kWidth;
    wh = kHeight;
    addNode(0.1f, 0.1f);
    addNode(0.9f, 0.9f);
    objects[1].vel[0] = 0.25f;
    // Before any motion the pointer is taken to be at (0, 0), whatever the press point.
    mouse(kMiddleButton, kButtonPressed, 600, 110);
    EXPECT_EQ(selectedNode, 0u);
    mouse(kMiddleButton, 1, 600, 110);

    motion(600, 60);
    mouse(kMiddleButton, kButtonPressed, 10, 470);  // press point near node 0: ignored
    EXPECT_EQ(selectedNode, 1u);
    motion(704, -49);  // beyond the top right corner
    EXPECT_EQ(objects[1].pos[0], 1.1f);
    EXPECT_EQ(objects[1].pos[1], 528.0f / 480.0f);
    EXPECT_EQ(objects[1].vel[0], 0.25f);
    EXPECT_EQ(windowRequestLog.redisplays, 4) << "three presses and releases, one drag motion";

    mouse(kLeftButton, 1, 0, 0);  // any release ends the drag
    motion(320, 240);
    EXPECT_EQ(objects[1].pos[0], 1.1f);
    EXPECT_EQ(windowRequestLog.redisplays, 5);
}

TEST_F(Pointer, EventsBeforeTheWindowHasASizeOnlyRequestRedraws) {
    addNode(0.5f, 0.5f);
    const struct {
        int w;
        int h;
    } sizes[] = {{0, 0}, {640, 0}, {0, 480}};
    for (auto size : sizes) {
        ww = size.w;
        wh = size.h;
        const int before = windowRequestLog.redisplays;
        motion(100, 100);
        mouse(kLeftButton, kButtonPressed, 100, 100);
        mouse(kMiddleButton, kButtonPressed, 100, 10);
        mouse(kLeftButton, 1, 100, 100);
        EXPECT_EQ(objects.size(), 1u);
        EXPECT_EQ(mx, 0.0f);
        EXPECT_FALSE(middleDown);
        EXPECT_TRUE(menuSelected[kNodeTool]);
        EXPECT_EQ(windowRequestLog.redisplays, before + 3);
    }
}

}  // namespace
