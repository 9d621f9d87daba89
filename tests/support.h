#pragma once

// Puts the editor back in its start-up state before each test, and records what the
// callbacks ask of the window system.

#include "graph/store.h"
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

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        clearGraph();
        std::tie(menuSelected[0], menuSelected[1], menuSelected[2], menuSelected[3]) = std::tuple(true, false, false, false);
        std::tie(edgeStarted, middleDown, selectedNode, constant, sep) = std::tuple(false, false, 0u, kInitialConstant, kInitialSep);
        std::tie(ww, wh, mx, my, redisplays) = std::tuple(0, 0, 0.0f, 0.0f, 0);
        timers.clear();
        windowRequests = {[] { ++redisplays; }, [](unsigned int ms, void (*callback)(int), int value) {
                              timers.emplace_back(ms, callback, value);
                          }};
    }
    void TearDown() override { windowRequests = {}; }
};

// The layout promises exact single-precision results: tests compare bit patterns, which
// also tell -0 from +0.
inline std::uint32_t bits(float v) { return std::bit_cast<std::uint32_t>(v); }

// Every node as the bits of x, y, vx and vy, to compare whole graphs at once.
inline std::vector<std::uint32_t> nodeBits(const std::vector<Object>& nodes = objects) {
    std::vector<std::uint32_t> all;
    for (const Object& o : nodes) all.insert(all.end(), {bits(o.pos[0]), bits(o.pos[1]), bits(o.vel[0]), bits(o.vel[1])});
    return all;
}

inline void PrintTo(const Edge& e, std::ostream* os) { *os << "(" << e.from << "," << e.to << ")"; }
