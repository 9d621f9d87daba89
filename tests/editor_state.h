#pragma once

// Puts the editor back in its start-up state before each test, and records what the
// code asks of the window system.

#include "graph/store.h"
#include "ui/window_requests.h"

#include <gtest/gtest.h>

#include <vector>

struct TimerRequest {
    unsigned int delayMs;
    void (*callback)(int);
    int value;
};

struct WindowRequestLog {
    int redisplays = 0;
    std::vector<TimerRequest> timers;
};

inline WindowRequestLog windowRequestLog;

inline void resetEditorState() {
    objects.clear();
    edges.clear();
    menuSelected[kNodeTool] = true;
    menuSelected[kEdgeTool] = false;
    menuSelected[kClearButton] = false;
    menuSelected[kRunButton] = false;
    edgeStarted = false;
    selectedNode = 0;
    middleDown = false;
    constant = kInitialConstant;
    sep = kInitialSep;
    ww = 0;
    wh = 0;
    mx = 0.0f;
    my = 0.0f;
    windowRequestLog = {};
    windowRequests.postRedisplay = [] { ++windowRequestLog.redisplays; };
    windowRequests.armTimer = [](unsigned int delayMs, void (*callback)(int), int value) {
        windowRequestLog.timers.push_back({delayMs, callback, value});
    };
}

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override { resetEditorState(); }
    void TearDown() override { windowRequests = {}; }
};

inline void PrintTo(const Edge& e, std::ostream* os) { *os << "(" << e.from << "," << e.to << ")"; }
