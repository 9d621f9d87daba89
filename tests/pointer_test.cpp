#include "support.h"
#include "ui/callbacks.h"

#include <tuple>
#include <vector>

namespace {

constexpr int kWidth = 640, kHeight = 480, kReleased = 1, kWheelUp = 3;

struct Pixel { int x, y; };
// The nodes every sequence starts from, off the diagonal.
constexpr Pixel kA{100, 300}, kB{500, 260}, kC{300, 400};
constexpr Pixel toolbar(int button) { return {button * 160 + 80, 30}; }

struct Event { int button; int state; Pixel at; };  // button -1: a move
Event press(int button, Pixel at) { return {button, kButtonPressed, at}; }
Event release(int button, Pixel at) { return {button, kReleased, at}; }
Event move(Pixel at) { return {-1, 0, at}; }
Event click(Pixel at) { return press(kLeftButton, at); }  // a press; its release is listed apart

class Pointer : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        ww = kWidth;
        wh = kHeight;
        for (Pixel p : {kA, kB, kC}) addNode(static_cast<float>(p.x) / kWidth, static_cast<float>(kHeight - p.y - 1) / kHeight);
    }
};

TEST_F(Pointer, SequencesLeaveTheEditorInTheExpectedState) {
    using State = std::tuple<std::size_t, std::vector<Edge>, bool, bool, bool, bool, int>;
    // Nodes, edges, Edge tool lit, Run lit, edgeStarted, middleDown, redraw requests.
    const struct { const char* name; std::vector<Event> events; State want; } rows[] = {
        {"row 59 is toolbar", {click({200, 59})}, {3, {}, true, false, false, false, 1}},
        {"row 60 is scene", {click({200, 60})}, {4, {}, false, false, false, false, 1}},
        {"x 160 is Edge, 159 Node", {click({160, 10}), click({159, 10})}, {3, {}, false, false, false, false, 2}},
        {"x 639 is Run, twice restores", {click({639, 10}), click(toolbar(3))}, {3, {}, false, false, false, false, 2}},
        {"beyond the sides nothing", {click({-1000, 10}), click({2000, 10})}, {3, {}, false, false, false, false, 2}},
        {"middle press on the toolbar", {press(kMiddleButton, toolbar(2))}, {0, {}, false, false, false, false, 1}},
        {"wheel in the scene nothing", {press(kWheelUp, kA), release(kWheelUp, kA)}, {3, {}, false, false, false, false, 2}},
        {"edge", {click(toolbar(1)), click({110, 310}), move(kC), release(kLeftButton, {490, 250})}, {3, {{0, 1}}, true, false, false, false, 3}},
        {"release over the toolbar", {click(toolbar(1)), click(kC), release(kLeftButton, {110, 20})}, {3, {{2, 0}}, true, false, false, false, 3}},
        {"second left press ignored", {click(toolbar(1)), click(kA), click(kC), release(kLeftButton, kB)}, {3, {{0, 1}}, true, false, false, false, 4}},
        {"tool switch abandons the edge", {click(toolbar(1)), click(kA), press(kMiddleButton, toolbar(1)), release(kLeftButton, kB)},
         {3, {}, true, false, false, false, 4}},
        {"middle press restarts the edge from the pointer",
         {click(toolbar(1)), move(kA), click(kA), move(kC), press(kMiddleButton, kC), release(kMiddleButton, kB), release(kLeftButton, kB)},
         {3, {{2, 1}}, true, false, false, false, 5}},
        {"clear during a node drag", {move(kA), press(kMiddleButton, kA), click(toolbar(2)), move({200, 200})}, {0, {}, false, false, false, true, 2}},
    };
    for (const auto& row : rows) {
        SetUp();  // each row starts afresh
        for (const Event& e : row.events) {
            const float lastX = mx, lastY = my;
            if (e.button < 0) motion(e.at.x, e.at.y);
            else mouse(e.button, e.state, e.at.x, e.at.y);
            ASSERT_NE(menuSelected[kNodeTool], menuSelected[kEdgeTool]) << row.name << ": exactly one tool is lit";
            ASSERT_TRUE(!menuSelected[kClearButton] && (!edgeStarted || menuSelected[kEdgeTool])) << row.name;
            ASSERT_TRUE(e.button < 0 || (mx == lastX && my == lastY)) << row.name << ": buttons never move the pointer";
        }
        EXPECT_EQ(State(objects.size(), edges, menuSelected[kEdgeTool], menuSelected[kRunButton], edgeStarted, middleDown,
                        windowLog.redisplays),
                  row.want)
            << row.name;
    }
}

TEST_F(Pointer, MiddleDragMovesTheNodeNearestTheLastPointerPosition) {
    objects[1].vel[0] = 0.25f;
    mouse(kMiddleButton, kButtonPressed, 600, 110);  // before any motion the pointer is at (0, 0)
    EXPECT_EQ(selectedNode, 0u);
    mouse(kMiddleButton, kReleased, 600, 110);
    motion(448, 120);                               // near node 1
    mouse(kMiddleButton, kButtonPressed, 10, 470);  // the press point plays no part
    motion(704, -97);                               // beyond the top right corner, not clamped
    EXPECT_EQ(nodeBits({objects[1]}), nodeBits({{{1.1f, 576.0f / 480.0f}, {0.25f, 0}}})) << "the velocity is kept";
    mouse(kLeftButton, kReleased, 0, 0);  // any release ends the drag
    motion(320, 240);
    EXPECT_EQ(objects[1].pos[0], 1.1f);
    EXPECT_EQ(windowLog.redisplays, 5) << "four presses and releases and one drag motion";
}

TEST_F(Pointer, EventsBeforeTheWindowHasASizeOnlyRequestRedraws) {
    for (auto [w, h] : {std::pair{0, 0}, {640, 0}, {0, 480}}) {
        ww = w;
        wh = h;
        motion(100, 100);
        mouse(kLeftButton, kButtonPressed, 100, 100);
        mouse(kMiddleButton, kButtonPressed, 100, 10);
        mouse(kLeftButton, kReleased, 100, 100);
        EXPECT_TRUE(objects.size() == 3 && mx == 0.0f && !middleDown && menuSelected[kNodeTool]);
    }
    EXPECT_EQ(windowLog.redisplays, 9);
}

}  // namespace
