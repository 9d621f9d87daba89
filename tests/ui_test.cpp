// The callbacks' logic, without a window: pointer, keys, menu and start-up.
//
// What README.md says of the controls, and the rows that hold it. Each pointer row checks
// where every node is after it, the edges, the toolbar, the drags and the redraws:
//   a left click in the scene places a node with the Node tool: "row 60 is scene"
//   the Edge tool joins the node nearest the press to the one nearest the release, however far,
//     over the toolbar too, never a node to itself, again as often as drawn: "edges again, none
//     to its start", "release over the toolbar", "edge in a graph of two"
//   the middle button drags the node nearest the pointer (of equally near ones the first),
//     beyond the window too, until any release, and out from under the toolbar: "middle drag,
//     beyond the window", "any release ends the drag", "middle press before any move takes
//     (0, 0)", "a tie goes to the lower index", "a node under the toolbar dragged out"
//   the toolbar: its top eighth, four quarter-wide buttons, the tools lit while chosen; Clear
//     at once; Run and "Pause/Unpause" one switch: "row 59 is toolbar", "x 160 is Edge, 159
//     Node", "clear during a node drag", "pause and Run share a switch"
//   every button but the right one works the toolbar, the wheel too: "a wheel notch on the red
//     cross", "tool switch drops the edge"
//   "Remove Node" takes the node nearest the pointer, with its edges: "edge in a graph of two",
//     "start removed mid-drag"
//   + = - _ 0 and 2 3 1 double, halve and reset the two parameters, without limit but for 0
//     and 1, and touch nothing else; other keys do nothing: the rows named for the keys
//   Resources found from the path the program was started by, through a link or by its bare
//     name on PATH: GraphFile.StartupFindsResources...
// Quitting, the colours, the highlighted node and the rubber band are the window tests'
// (tests/window); "Open" and "Save" the graph file tests'.

#include "support.h"
#include "ui/callbacks.h"
#include "ui/startup.h"

#include <cmath>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

namespace {

// GLUT reports a notch of the wheel as a press of button 3 or 4.
constexpr int kReleased = 1, kWheelUp = 3;

struct Pixel { int x, y; };
// Nodes 0, 1 and 2 of every sequence stand at these pixels, off the diagonal.
constexpr Pixel kA{100, 300}, kB{500, 260}, kC{300, 400};
constexpr Pixel toolbar(int button) { return {button * 160 + 80, 30}; }

// Nodes at pixels of a 640 x 480 window, at rest.
std::vector<Object> nodesAt(const std::vector<Pixel>& pixels) {
    std::vector<Object> nodes;
    for (Pixel p : pixels) nodes.push_back({{static_cast<float>(p.x) / 640.0f, static_cast<float>(479 - p.y) / 480.0f}, {}});
    return nodes;
}

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
Event type(std::string keys) { return [=] { for (char key : keys) keyboard(static_cast<unsigned char>(key), 17, 23); }; }

Event link(std::vector<Edge> links) { return [=] { edges = links; }; }
Event file(std::string text) { return [=] { put(kGraphFileName, text); }; }

// What an event sequence leaves: every field a row does not name keeps the value shown, and
// graph.txt holds `file` ("" for none).
struct Leaves {
    std::vector<Pixel> nodes = {kA, kB, kC};
    std::vector<Edge> edges = {};
    bool edgeTool = false, run = false, edgeStarted = false, middleDown = false;
    std::uint32_t selectedNode = 0;
    int redisplays = 1;
    float constant = kInitialConstant, sep = kInitialSep;
    std::string file = "";
};
struct PointerRow { const char* name; std::vector<Event> events; Leaves leaves = {}; };

TEST_F(GraphFile, EventSequencesLeaveTheEditorInTheExpectedState) {
    const PointerRow rows[] = {
        {"row 59 is toolbar", {click({200, 59})}, {.edgeTool = true}},
        {"row 60 is scene", {click({200, 60})}, {.nodes = {kA, kB, kC, {200, 60}}}},
        {"x 160 is Edge, 159 Node", {click({160, 10}), click({159, 10})}, {.redisplays = 2}},
        // Clear empties the graph and leaves the tool, the layout and the parameters alone.
        {"a wheel notch on the red cross", {click(toolbar(1)), choose(kPauseUnpause), type("2"), click(toolbar(2), kWheelUp)},
         {.nodes = {}, .edgeTool = true, .run = true, .redisplays = 2, .sep = 0.2f}},
        {"edges again, none to its start", {click(toolbar(1)), click(kA), up(kB), click(kB), up(kB), click(kA), up(kB)},
         {.edges = {{0, 1}, {0, 1}}, .edgeTool = true, .redisplays = 7}},
        {"edge in a graph of two", {click(toolbar(1)), move(kC), choose(kRemoveNode), click(kA), up(kB)},
         {.nodes = {kA, kB}, .edges = {{0, 1}}, .edgeTool = true, .redisplays = 3}},
        {"start removed mid-drag", {click(toolbar(1)), move(kC), click(kC), choose(kRemoveNode), up(kA)},
         {.nodes = {kA, kB}, .edgeTool = true, .selectedNode = 2, .redisplays = 3}},
        {"release over the toolbar", {click(toolbar(1)), click(kC), up({110, 20})},
         {.edges = {{2, 0}}, .edgeTool = true, .selectedNode = 2, .redisplays = 3}},
        {"second left press ignored", {click(toolbar(1)), click(kA), click(kC), up(kB)},
         {.edges = {{0, 1}}, .edgeTool = true, .redisplays = 4}},
        {"tool switch drops the edge", {click(toolbar(1)), click(kA), middle(toolbar(1)), up(kB)},
         {.edgeTool = true, .redisplays = 4}},
        {"middle press restarts the edge from the pointer",
         {click(toolbar(1)), move(kA), click(kA), move(kC), middle(kA), up(kB, kMiddleButton), up(kB)},
         {.edges = {{2, 1}}, .edgeTool = true, .selectedNode = 2, .redisplays = 5}},
        {"middle press before any move takes (0, 0)", {click({5, 475}), middle(kB)},
         {.nodes = {kA, kB, kC, {5, 475}}, .middleDown = true, .selectedNode = 3, .redisplays = 2}},
        // Of equally near nodes, the first: a node placed on top of kA is never picked.
        {"a tie goes to the lower index", {click(kA), move(kA), middle(kA), move(kB)},
         {.nodes = {kB, kB, kC, kA}, .middleDown = true, .redisplays = 3}},
        {"middle drag, beyond the window", {move({448, 120}), middle({10, 470}), move({704, -97}), move(kC)},
         {.nodes = {kA, kC, kC}, .middleDown = true, .selectedNode = 1, .redisplays = 3}},
        {"any release ends the drag", {move(kB), middle(kB), up(kB), move(kC)}, {.selectedNode = 1, .redisplays = 2}},
        // Dragged up under the toolbar, then pressed from just below it and drawn out.
        {"a node under the toolbar dragged out",
         {move(kC), middle(kC), move({300, 20}), up({300, 20}, kMiddleButton), move({300, 61}), middle({300, 61}),
          move({320, 200})}, {.nodes = {kA, kB, {320, 200}}, .middleDown = true, .selectedNode = 2, .redisplays = 5}},
        {"an edge started on no graph, from no node", {click(toolbar(2)), click(toolbar(1)), click(kA)},
         {.nodes = {}, .edgeTool = true, .edgeStarted = true, .redisplays = 3}},
        {"clear during a node drag", {move(kA), middle(kA), click(toolbar(2)), move({200, 200})},
         {.nodes = {}, .middleDown = true, .redisplays = 2}},
        {"pause and Run share a switch", {choose(kPauseUnpause), click(toolbar(3)), choose(-1)}},
        {"one pixel wide or high is a size", {resize(1, 480), click({0, 300}), resize(640, 1), click({200, 0})},
         {.nodes = {kA, kB, kC, {0, 300}}, .edgeTool = true, .redisplays = 2}},
        {"no size, nothing but redraws",
         {resize(0, 480), move(kA), click(kA), middle(toolbar(2)), resize(640, 0), click(kA)}, {.redisplays = 3}},
        // The node nearest the pointer goes with every edge touching it, the edges after it renumbered,
        // past the last node too; with no node, nothing.
        {"remove node", {link({{1, 0}, {0, 2}, {1, 1}, {2, 1}, {2, 9}, {0, 1}}), move(kB), choose(kRemoveNode)},
         {.nodes = {kA, kC}, .edges = {{0, 1}, {1, 8}}, .redisplays = 0}},
        {"remove node from no graph", {click(toolbar(2)), link({{0, 1}}), choose(kRemoveNode)},
         {.nodes = {}, .edges = {{0, 1}}}},
        // Opening keeps the graph on screen without graph.txt, and touches nothing but the graph;
        // an edge to a node the file lacks is kept and saved back. Saving writes six digits.
        {"open no file", {choose(kOpenGraph)}}, {"open an empty file", {file(""), choose(kOpenGraph)}, {.nodes = {}}},
        {"open and save", {click(toolbar(1)), choose(kPauseUnpause), type("+2"), file("2\n0.5 0.5\n0.25 0.5\n1\n0 7\n"),
                           choose(kOpenGraph), choose(kSaveGraph)},
         {.nodes = {{320, 239}, {160, 239}}, .edges = {{0, 7}}, .edgeTool = true, .run = true, .redisplays = 2,
          .constant = -0.2f, .sep = 0.2f, .file = "2\n0.5 0.5\n0.25 0.5\n1\n0 7\n"}},
        {"save", {choose(kSaveGraph)},
         {.redisplays = 0, .file = "3\n0.15625 0.372917\n0.78125 0.45625\n0.46875 0.164583\n0\n"}},
        // Each key doubles, halves or resets one parameter and leaves the rest alone, the screen too;
        // after 132 presses of "+" the constant is infinite, which only "0" mends.
        {"keys +=+-_223", {type("+=+-_223")}, {.redisplays = 0, .constant = -0.2f, .sep = 0.2f}},
        {"0 resets the constant alone", {type("2+0")}, {.redisplays = 0, .sep = 0.2f}},
        {"1 resets the separation alone", {type("+21")}, {.redisplays = 0, .constant = -0.2f}},
        {"+ 131 times", {type(std::string(131, '+'))}, {.redisplays = 0, .constant = std::ldexp(kInitialConstant, 131)}},
        {"= 132 times, -_", {type(std::string(132, '=') + "-_")}, {.redisplays = 0, .constant = -INFINITY}},
        {"+ 132 times, 0", {type(std::string(132, '+') + "0")}, {.redisplays = 0}},
        {"other keys", {type("abzAZ \t\r\n4789!@#*/\x80\xb1\xbd\xdf\xff")}, {.redisplays = 0}},
    };
    for (const auto& [name, events, want] : rows) {
        SCOPED_TRACE(name);
        EditorTest::SetUp();  // each row starts afresh
        fs::remove(kGraphFileName);
        std::tie(ww, wh) = std::tuple(640, 480);
        objects = nodesAt({kA, kB, kC});
        for (const Event& send : events) send();
        // In the order of the fields of Leaves.
        EXPECT_EQ(nodeBits(), nodeBits(nodesAt(want.nodes)));
        EXPECT_EQ(std::tuple(bits(constant), bits(sep), saved()), std::tuple(bits(want.constant), bits(want.sep), want.file));
        EXPECT_EQ(std::tuple(edges, menuSelected[kNodeTool], menuSelected[kEdgeTool], menuSelected[kClearButton],
                             menuSelected[kRunButton], edgeStarted, middleDown, selectedNode, redisplays),
                  std::tuple(want.edges, !want.edgeTool, want.edgeTool, false, want.run, want.edgeStarted, want.middleDown,
                             want.selectedNode, want.redisplays));
    }
}

// The program keeps graph.txt in ../Resources from the folder of the path it was started by:
// through a link, beside the link; by its bare name on PATH, from the folder it is started in;
// without a Resources there, that folder itself; where it cannot be entered, where it started.
// Not on Windows, where the folder comes from the wide command line instead: see the window tests.
#ifndef _WIN32
TEST_F(GraphFile, StartupFindsResourcesFromThePathTheProgramWasStartedBy) {
    for (const char* made : {"tree/bin", "tree/Resources", "link/bin", "link/Resources", "lone/bin"}) fs::create_directories(made);
    put("tree/bin/graph-editor", "");
    fs::create_symlink("../../tree/bin/graph-editor", "link/bin/graph-editor");
    const struct { const char* in; const char* program; const char* keeps; } rows[] = {
        {"", "tree/bin/graph-editor", "tree/Resources"}, {"", "link/bin/graph-editor", "link/Resources"},
        {"tree/bin", "graph-editor", "tree/Resources"}, {"lone", "bin/graph-editor", "lone/bin"},
        {"tree", "missing/graph-editor", "tree"},
    };
    for (const auto& row : rows) {
        fs::current_path(scratch_ / row.in);
        enterResourceDirectory(row.program);
        EXPECT_EQ(fs::current_path(), scratch_ / row.keeps) << row.program << " from " << row.in;
    }
}
#endif

}  // namespace
