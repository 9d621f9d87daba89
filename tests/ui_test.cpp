// The callbacks' logic, without a window: pointer, keys, menu, timer and start-up.

#include "support.h"
#include "ui/callbacks.h"
#include "ui/startup.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr int kReleased = 1, kWheelUp = 3;

struct Pixel { int x, y; };
// Nodes 0, 1 and 2 of every sequence stand at these pixels, off the diagonal.
constexpr Pixel kA{100, 300}, kB{500, 260}, kC{300, 400};
constexpr Pixel toolbar(int button) { return {button * 160 + 80, 30}; }

// A move, a press or release of a button, a context-menu entry, or a new window size.
struct Event { enum { kMove, kPress, kRelease, kMenu, kResize } kind; int button; Pixel at; };
Event press(int button, Pixel at) { return {Event::kPress, button, at}; }
Event release(int button, Pixel at) { return {Event::kRelease, button, at}; }
Event move(Pixel at) { return {Event::kMove, 0, at}; }
// Left and middle presses and releases; a click is a press, its release listed apart.
Event click(Pixel at) { return press(kLeftButton, at); }
Event up(Pixel at) { return release(kLeftButton, at); }
Event middle(Pixel at) { return press(kMiddleButton, at); }
Event choose(int entry) { return {Event::kMenu, entry, {}}; }
Event resize(int width, int height) { return {Event::kResize, 0, {width, height}}; }

// Sends one event to a 640 x 480 window, then checks what must hold after any event.
void send(const Event& e) {
    const std::vector<Object> before = objects;
    const float lastX = mx, lastY = my;
    if (e.kind == Event::kResize) std::tie(ww, wh) = std::tuple(e.at.x, e.at.y);
    if (e.kind == Event::kMove) motion(e.at.x, e.at.y);
    if (e.kind == Event::kMenu) menu(e.button);
    if (e.kind == Event::kPress || e.kind == Event::kRelease) {
        mouse(e.button, e.kind == Event::kPress ? kButtonPressed : kReleased, e.at.x, e.at.y);
    }
    ASSERT_NE(menuSelected[kNodeTool], menuSelected[kEdgeTool]) << "exactly one tool is lit";
    ASSERT_TRUE(!menuSelected[kClearButton] && (!edgeStarted || menuSelected[kEdgeTool]));
    const Object* dragged = middleDown && isNode(selectedNode) ? &objects[selectedNode] : nullptr;
    for (std::size_t i = before.size(); i < objects.size(); ++i) ASSERT_EQ(objects[i].vel[0], 0.0f) << "new nodes rest";
    for (std::size_t i = 0; i < std::min(before.size(), objects.size()); ++i) {
        const bool moved = objects[i].pos[0] != before[i].pos[0] || objects[i].pos[1] != before[i].pos[1];
        ASSERT_TRUE(objects[i].vel[0] == before[i].vel[0] && (!moved || &objects[i] == dragged)) << "node " << i;
    }
    if (e.kind != Event::kMove || ww == 0) {
        ASSERT_TRUE(mx == lastX && my == lastY) << "only a move in a window with a size moves the pointer";
    } else {
        ASSERT_TRUE(mx == static_cast<float>(e.at.x) / 640.0f && my == static_cast<float>(479 - e.at.y) / 480.0f);
        ASSERT_TRUE(!dragged || (dragged->pos[0] == mx && dragged->pos[1] == my)) << "a dragged node follows";
    }
}

TEST_F(EditorTest, PointerSequencesLeaveTheEditorInTheExpectedState) {
    // Nodes, edges, what is on (Edge tool lit, Run lit, edgeStarted, middleDown), selectedNode, redraw requests.
    using State = std::tuple<std::size_t, std::vector<Edge>, std::string, std::uint32_t, int>;
    const struct { const char* name; std::vector<Event> events; State want; } rows[] = {
        {"row 59 is toolbar", {click({200, 59})}, {3, {}, "Edge", 0, 1}},
        {"row 60 is scene", {click({200, 60})}, {4, {}, "", 0, 1}},
        {"x 160 is Edge, 159 Node", {click({160, 10}), click({159, 10})}, {3, {}, "", 0, 2}},
        {"x 639 is Run, twice restores", {click({639, 10}), click(toolbar(3))}, {3, {}, "", 0, 2}},
        {"beyond the sides nothing", {click({-1000, 10}), click({2000, 10})}, {3, {}, "", 0, 2}},
        {"middle press on the toolbar", {middle(toolbar(2))}, {0, {}, "", 0, 1}},
        {"wheel in the scene nothing", {press(kWheelUp, kA), release(kWheelUp, kA)}, {3, {}, "", 0, 2}},
        {"edge", {click(toolbar(1)), click({110, 310}), move(kC), up({490, 250})}, {3, {{0, 1}}, "Edge", 0, 3}},
        {"edges again, none to its start", {click(toolbar(1)), click(kA), up(kB), click(kB), up(kB), click(kA), up(kB)},
         {3, {{0, 1}, {0, 1}}, "Edge", 0, 7}},
        {"start removed mid-drag", {click(toolbar(1)), move(kC), click(kC), choose(kRemoveNode), up(kA)},
         {2, {}, "Edge", 2, 3}},
        {"release over the toolbar", {click(toolbar(1)), click(kC), up({110, 20})}, {3, {{2, 0}}, "Edge", 2, 3}},
        {"second left press ignored", {click(toolbar(1)), click(kA), click(kC), up(kB)}, {3, {{0, 1}}, "Edge", 0, 4}},
        {"tool switch drops the edge", {click(toolbar(1)), click(kA), middle(toolbar(1)), up(kB)},
         {3, {}, "Edge", 0, 4}},
        {"middle press restarts the edge from the pointer",
         {click(toolbar(1)), move(kA), click(kA), move(kC), middle(kA), release(kMiddleButton, kB), up(kB)},
         {3, {{2, 1}}, "Edge", 2, 5}},
        {"middle press before any move takes (0, 0)", {middle(kB)}, {3, {}, "Drag", 0, 1}},
        {"middle drag, beyond the window", {move({448, 120}), middle({10, 470}), move({704, -97}), move(kC)},
         {3, {}, "Drag", 1, 3}},
        {"any release ends the drag", {move(kB), middle(kB), up(kB), move(kC)}, {3, {}, "", 1, 2}},
        {"clear during a node drag", {move(kA), middle(kA), click(toolbar(2)), move({200, 200})},
         {0, {}, "Drag", 0, 2}},
        {"pause twice restores, no other entry", {choose(kPauseUnpause), choose(0), choose(6), choose(kPauseUnpause)},
         {3, {}, "", 0, 0}},
        {"pause and Run share a switch", {choose(kPauseUnpause), click(toolbar(3)), choose(-1)}, {3, {}, "", 0, 1}},
        {"no size, nothing but redraws",
         {resize(0, 480), move(kA), click(kA), middle(toolbar(2)), resize(640, 0), click(kA)}, {3, {}, "", 0, 3}},
    };
    for (const auto& row : rows) {
        SetUp();  // each row starts afresh
        std::tie(ww, wh) = std::tuple(640, 480);
        for (Pixel p : {kA, kB, kC}) {
            addNode(static_cast<float>(p.x) / 640.0f, static_cast<float>(479 - p.y) / 480.0f);
        }
        for (Object& o : objects) o.vel[0] = 0.25f;
        for (const Event& e : row.events) ASSERT_NO_FATAL_FAILURE(send(e)) << row.name;
        const std::string on = std::string(menuSelected[kEdgeTool] ? "Edge" : "") +
                               (menuSelected[kRunButton] ? "Run" : "") + (edgeStarted ? "Started" : "") +
                               (middleDown ? "Drag" : "");
        EXPECT_EQ(State(objects.size(), edges, on, selectedNode, redisplays), row.want) << row.name;
    }
}

using Commands = EditorTest;

TEST_F(Commands, KeysTuneTheLayoutBitForBitWithoutRedrawing) {
    const struct { std::string keys; float constant, sep; } rows[] = {
        {"+=+", -0.8f, 0.1f}, {"+++0", -0.1f, 0.1f}, {"-_", -0.025f, 0.1f}, {"3", -0.1f, 0.05f}, {"223", -0.1f, 0.2f},
        {"2221", -0.1f, 0.1f}, {"abzAZ \t\r\n4789!@#*/", -0.1f, 0.1f}, {"\x80\xb1\xbd\xdf\xff", -0.1f, 0.1f},
    };
    for (const auto& row : rows) {
        std::tie(constant, sep) = std::tuple(kInitialConstant, kInitialSep);
        for (char key : row.keys) keyboard(static_cast<unsigned char>(key), 17, 23);
        EXPECT_TRUE(bits(constant) == bits(row.constant) && bits(sep) == bits(row.sep))
            << row.keys << ": " << constant << ", " << sep;
    }
    for (int i = 0; i < 200; ++i) keyboard('+', 0, 0);
    EXPECT_EQ(constant, -INFINITY) << "no bound";
    EXPECT_EQ(redisplays, 0);
}

namespace fs = std::filesystem;

// A scratch tree: root/bin beside root/Resources, and root/lonely/bin with no Resources.
TEST(Startup, MovesToTheResourcesBesideTheProgramsDirectory) {
    std::string pattern = (fs::temp_directory_path() / "startup-XXXXXX").string();
    const fs::path root = fs::canonical(mkdtemp(pattern.data()));
    for (const char* dir : {"bin", "Resources", "elsewhere", "lonely/bin"}) fs::create_directories(root / dir);
    const struct { std::string program; fs::path endIn; } rows[] = {
        // As when the shell finds it on its search path: the starting directory counts.
        {"graph-editor", root / "Resources"},
        {(root / "lonely/bin/graph-editor").string(), root / "lonely/bin"},
        {(root / "missing/bin/graph-editor").string(), root / "elsewhere"},
    };
    for (const auto& row : rows) {
        fs::current_path(root / "elsewhere");
        enterResourceDirectory(row.program.c_str());
        EXPECT_EQ(fs::current_path(), row.endIn) << row.program;
    }
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(root);
}

}  // namespace
