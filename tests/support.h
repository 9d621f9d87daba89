#pragma once

// Puts the editor back in its start-up state before each test, and records what the
// callbacks ask of the window system.

#include "graph/store.h"
#include "ui/state.h"
#include "ui/window_requests.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <ostream>
#include <tuple>
#include <vector>

using TimerRequest = std::tuple<unsigned int, void (*)(int), int>;  // delay in ms, callback, value
inline int redisplays = 0;
inline std::vector<TimerRequest> timers;

// Every editor variable but the graph, as the program starts: taken before any test runs,
// so that the tests start where the program does.
inline auto editorState() {
    return std::tie(menuSelected[0], menuSelected[1], menuSelected[2], menuSelected[3], edgeStarted, middleDown,
                    selectedNode, constant, sep, ww, wh, mx, my);
}
inline const auto kStartState = std::apply([](auto... values) { return std::tuple(values...); }, editorState());

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        clearGraph();
        editorState() = kStartState;
        redisplays = 0;
        timers.clear();
        windowRequests = {[] { ++redisplays; }, [](unsigned int ms, void (*callback)(int), int value) {
                              timers.emplace_back(ms, callback, value);
                          }};
    }
};

// The layout promises exact single-precision results: tests compare bit patterns, which
// also tell -0 from +0.
inline std::uint32_t bits(float v) { return std::bit_cast<std::uint32_t>(v); }

// Every node as the bits of x, y, vx and vy, to compare whole graphs at once.
inline std::vector<std::uint32_t> nodeBits(const std::vector<Object>& nodes = objects) {
    std::vector<std::uint32_t> all;
    for (const Object& o : nodes) {
        for (float v : {o.pos[0], o.pos[1], o.vel[0], o.vel[1]}) all.push_back(bits(v));
    }
    return all;
}

#ifdef _WIN32
inline constexpr bool kWindows = true;
#else
inline constexpr bool kWindows = false;
#endif

inline void PrintTo(const Edge& e, std::ostream* os) { *os << "(" << e.from << "," << e.to << ")"; }
