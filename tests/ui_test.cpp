// The callbacks' logic, without a window: pointer, keys, menu and timer.
//
// What the README says of the controls, and the rows that hold it (PointerSequences...):
//   a left click in the scene places a node with the Node tool: "row 60 is scene"
//   the Edge tool joins the node nearest the press to the one nearest the release, however
//     far, over the toolbar too, never a node to itself, again as often as drawn: "edges
//     again, none to its start", "release over the toolbar", "edge in a graph of two"
//   the middle button drags the node nearest the pointer, beyond the window too, until any
//     release: "middle drag, beyond the window", "any release ends the drag", "middle press
//     before any move takes (0, 0)"
//   the toolbar: the top eighth, four quarter-wide buttons; Clear at once; Run and
//     "Pause/Unpause" one switch: "row 59 is toolbar", "x 160 is Edge, 159 Node", "clear
//     during a node drag", "pause and Run share a switch"
//   every button but the right one works the toolbar, the wheel included: "a wheel notch on
//     the red cross", "tool switch drops the edge"
//   "Remove Node" takes the node nearest the pointer: "edge in a graph of two"
//   + = - _ 0 and 2 3 1 double, halve and reset the two parameters; other keys do nothing:
//     Commands.KeysTuneTheLayoutBitForBitWithoutRedrawing
// Quitting (Esc, q, Q, "Quit"), the colours, the highlighted node and the rubber band are
// the window tests' (tests/window); "Open" and "Save" the graph file tests'.

#include "support.h"
#include "ui/callbacks.h"

#include <functional>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr int kReleased = 1;
constexpr int kWheelUp = 3;  // GLUT reports a notch of the wheel as a press of button 3 or 4

struct Pixel { int x, y; };
// Nodes 0, 1 and 2 of every sequence stand at these pixels, off the diagonal.
constexpr Pixel kA{100, 300}, kB{500, 260}, kC{300, 400};
constexpr Pixel toolbar(int button) { return {button * 160 + 80, 30}; }

// A move, a press or release of a button, a context-menu entry, or a new window size, sent
// straight to the callback GLUT would call; where the nodes are, the window tests see.
using Event = std::function<void()>;
Event move(Pixel at) { return [=] { motion(at.x, at.y); }; }
// Left presses and releases by default; a click is a press, its release listed apart.
Event click(Pixel at, int button = kLeftButton) { return [=] { mouse(button, kButtonPressed, at.x, at.y); }; }
Event up(Pixel at, int button = kLeftButton) { return [=] { mouse(button, kReleased, at.x, at.y); }; }
Event middle(Pixel at) { return click(at, kMiddleButton); }
Event choose(int entry) { return [=] { menu(entry); }; }
Event resize(int width, int height) { return [=] { std::tie(ww, wh) = std::tuple(width, height); }; }

// What an event sequence leaves: every field a row does not name keeps the value shown.
struct PointerRow {
    const char* name;
    std::vector<Event> events;
    std::size_t nodes = 3;
    std::vector<Edge> edges = {};
    bool edgeTool = false, run = false, edgeStarted = false, middleDown = false;
    std::uint32_t selectedNode = 0;
    int redisplays = 1;
};

TEST_F(EditorTest, PointerSequencesLeaveTheEditorInTheExpectedState) {
    const PointerRow rows[] = {
        {.name = "row 59 is toolbar", .events = {click({200, 59})}, .edgeTool = true},
        {.name = "row 60 is scene", .events = {click({200, 60})}, .nodes = 4},
        {.name = "x 160 is Edge, 159 Node", .events = {click({160, 10}), click({159, 10})}, .redisplays = 2},
        {.name = "a wheel notch on the red cross", .events = {click(toolbar(2), kWheelUp)}, .nodes = 0},
        {.name = "edges again, none to its start",
         .events = {click(toolbar(1)), click(kA), up(kB), click(kB), up(kB), click(kA), up(kB)},
         .edges = {{0, 1}, {0, 1}}, .edgeTool = true, .redisplays = 7},
        {.name = "edge in a graph of two", .events = {click(toolbar(1)), move(kC), choose(kRemoveNode), click(kA), up(kB)},
         .nodes = 2, .edges = {{0, 1}}, .edgeTool = true, .redisplays = 3},
        {.name = "start removed mid-drag", .events = {click(toolbar(1)), move(kC), click(kC), choose(kRemoveNode), up(kA)},
         .nodes = 2, .edgeTool = true, .selectedNode = 2, .redisplays = 3},
        {.name = "release over the toolbar", .events = {click(toolbar(1)), click(kC), up({110, 20})}, .edges = {{2, 0}},
         .edgeTool = true, .selectedNode = 2, .redisplays = 3},
        {.name = "second left press ignored", .events = {click(toolbar(1)), click(kA), click(kC), up(kB)},
         .edges = {{0, 1}}, .edgeTool = true, .redisplays = 4},
        {.name = "tool switch drops the edge", .events = {click(toolbar(1)), click(kA), middle(toolbar(1)), up(kB)},
         .edgeTool = true, .redisplays = 4},
        {.name = "middle press restarts the edge from the pointer",
         .events = {click(toolbar(1)), move(kA), click(kA), move(kC), middle(kA), up(kB, kMiddleButton), up(kB)},
         .edges = {{2, 1}}, .edgeTool = true, .selectedNode = 2, .redisplays = 5},
        {.name = "middle press before any move takes (0, 0)", .events = {click({5, 475}), middle(kB)}, .nodes = 4,
         .middleDown = true, .selectedNode = 3, .redisplays = 2},
        {.name = "middle drag, beyond the window", .events = {move({448, 120}), middle({10, 470}), move({704, -97}), move(kC)},
         .middleDown = true, .selectedNode = 1, .redisplays = 3},
        {.name = "any release ends the drag", .events = {move(kB), middle(kB), up(kB), move(kC)}, .selectedNode = 1,
         .redisplays = 2},
        {.name = "clear during a node drag", .events = {move(kA), middle(kA), click(toolbar(2)), move({200, 200})},
         .nodes = 0, .middleDown = true, .redisplays = 2},
        {.name = "pause", .events = {choose(kPauseUnpause)}, .run = true, .redisplays = 0},
        {.name = "pause and Run share a switch", .events = {choose(kPauseUnpause), click(toolbar(3)), choose(-1)}},
        {.name = "one pixel wide or high is a size", .events = {resize(1, 480), click({0, 300}), resize(640, 1),
         click({200, 0})}, .nodes = 4, .edgeTool = true, .redisplays = 2},
        {.name = "no size, nothing but redraws",
         .events = {resize(0, 480), move(kA), click(kA), middle(toolbar(2)), resize(640, 0), click(kA)}, .redisplays = 3},
    };
    for (const PointerRow& row : rows) {
        SCOPED_TRACE(row.name);
        SetUp();  // each row starts afresh
        std::tie(ww, wh) = std::tuple(640, 480);
        for (Pixel p : {kA, kB, kC}) addNode(static_cast<float>(p.x) / 640.0f, static_cast<float>(479 - p.y) / 480.0f);
        for (const Event& send : row.events) send();
        // In the order of the row's fields.
        EXPECT_EQ(std::tuple(objects.size(), edges, menuSelected[kEdgeTool], menuSelected[kRunButton], edgeStarted,
                             middleDown, selectedNode, redisplays),
                  std::tuple(row.nodes, row.edges, row.edgeTool, row.run, row.edgeStarted, row.middleDown,
                             row.selectedNode, row.redisplays));
    }
}

using Commands = EditorTest;

TEST_F(Commands, KeysTuneTheLayoutBitForBitWithoutRedrawing) {
    const struct { std::string keys; float constant = kInitialConstant, sep = kInitialSep; } rows[] = {
        {.keys = "+=+", .constant = -0.8f}, {.keys = "+++0"}, {.keys = "-_", .constant = -0.025f},
        {.keys = "3", .sep = 0.05f}, {.keys = "223", .sep = 0.2f}, {.keys = "2221"},
        {.keys = "abzAZ \t\r\n4789!@#*/"}, {.keys = "\x80\xb1\xbd\xdf\xff"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.keys);
        std::tie(constant, sep) = std::tuple(kInitialConstant, kInitialSep);
        for (char key : row.keys) keyboard(static_cast<unsigned char>(key), 17, 23);
        EXPECT_EQ(bits(constant), bits(row.constant)) << constant;
        EXPECT_EQ(bits(sep), bits(row.sep)) << sep;
    }
    EXPECT_EQ(redisplays, 0);
}

}  // namespace
