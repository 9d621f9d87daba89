#pragma once

// What the unit tests share: the editor put back in its start-up state before each test, the
// callbacks' requests of the window system recorded, the example graph, and for the graph
// file tests a fresh working folder, since graph.txt is taken from the working folder.

#include "graph/store.h"
#include "io/graph_file.h"
#include "ui/state.h"
#include "ui/window_requests.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

using TimerRequest = std::tuple<unsigned int, void (*)(int), int>;  // delay in ms, callback, value
inline int redisplays = 0;
inline std::vector<TimerRequest> timers;

// Every editor variable but the graph, as the program starts, and no request recorded: taken
// before any test runs, so that the tests start where the program does.
inline auto editorState() {
    return std::tie(menuSelected[0], menuSelected[1], menuSelected[2], menuSelected[3], edgeStarted, middleDown,
                    selectedNode, constant, sep, ww, wh, mx, my, redisplays, timers);
}
inline const auto kStartState = std::apply([](auto... values) { return std::tuple(values...); }, editorState());

struct EditorTest : ::testing::Test {
    void SetUp() override {
        clearGraph();
        editorState() = kStartState;
        windowRequests = {[] { ++redisplays; },
                          [](unsigned int ms, void (*callback)(int), int value) { timers.emplace_back(ms, callback, value); }};
    }
};

// The layout promises exact single-precision results: tests compare bit patterns, which also
// tell -0 from +0.
inline std::uint32_t bits(float v) { return std::bit_cast<std::uint32_t>(v); }

// Every node as the bits of x, y, vx and vy, to compare whole graphs at once.
inline std::vector<std::uint32_t> nodeBits(const std::vector<Object>& nodes = objects) {
    std::vector<std::uint32_t> all;
    for (const Object& o : nodes) all.insert(all.end(), {bits(o.pos[0]), bits(o.pos[1]), bits(o.vel[0]), bits(o.vel[1])});
    return all;
}

inline void PrintTo(const Edge& e, std::ostream* os) { *os << "(" << e.from << "," << e.to << ")"; }

inline const std::string kExample = "3\n0.25048 0.5\n0.74952 0.5\n1 1.25e-05\n2\n0 1\n1 2\n";
inline const std::vector<Object> kExampleNodes = {{{0.25048f, 0.5f}, {}}, {{0.74952f, 0.5f}, {}}, {{1.0f, 0.0000125f}, {}}};
inline const std::vector<Edge> kExampleEdges = {{0, 1}, {1, 2}};

inline void put(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// What a regular file holds, "" for anything else: reading a FIFO would wait.
inline std::string saved(const fs::path& path = kGraphFileName) {
    if (std::error_code unseen; !fs::is_regular_file(path, unseen)) return {};
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline std::set<fs::path> names() { return {fs::directory_iterator("."), fs::directory_iterator()}; }

// In a folder of its own, with the example graph in memory. Descriptor 0 is closed, as when the
// editor starts without a standard input: a file opened may get it.
struct GraphFile : EditorTest {
    void SetUp() override {
        EditorTest::SetUp();
        close(0);
        std::random_device random;
        do scratch_ = fs::temp_directory_path() / ("graph_file_test." + std::to_string(random()));
        while (!fs::create_directory(scratch_));  // which throws when no folder can be made
        fs::current_path(scratch_);
        std::tie(objects, edges) = std::tuple(kExampleNodes, kExampleEdges);
    }
    void TearDown() override {
        fs::current_path(fs::temp_directory_path());
        fs::permissions(scratch_, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(scratch_);
    }
    fs::path scratch_;
};
