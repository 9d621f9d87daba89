#include "graph/store.h"
#include "ui/callbacks.h"
#include "ui/state.h"
#include "ui/toolbar.h"
#include "ui/window_requests.h"

#include <cstdint>

namespace {

struct ScenePoint {
    float x;
    float y;
};

// Until the first reshape the window size is unknown and every mapping would divide by 0.
bool windowSizeKnown() { return ww > 0 && wh > 0; }

// Window pixel (y counted down from the top row) to the unit square (y up).
ScenePoint toScene(int x, int y) {
    const auto rowsBelow = static_cast<std::int64_t>(wh) - y - 1;
    return {static_cast<float>(x) / static_cast<float>(ww),
            static_cast<float>(rowsBelow) / static_cast<float>(wh)};
}

bool inToolbar(int y) { return static_cast<float>(y) / static_cast<float>(wh) < kToolbarHeight; }

void selectTool(int tool) {
    menuSelected[kNodeTool] = tool == kNodeTool;
    menuSelected[kEdgeTool] = tool == kEdgeTool;
    edgeStarted = false;  // switching tools abandons an edge being drawn
}

void runToolbarCommand(float sceneX) {
    switch (toolbarButtonAt(sceneX)) {
        case kNodeTool: selectTool(kNodeTool); break;
        case kEdgeTool: selectTool(kEdgeTool); break;
        case kClearButton: clearGraph(); break;
        case kRunButton: toggleRun(); break;
    }
}

void release(ScenePoint at) {
    middleDown = false;
    if (menuSelected[kEdgeTool] && edgeStarted) {
        edgeStarted = false;
        addEdge(selectedNode, at.x, at.y);
    }
}

void press(int button, int y, ScenePoint at) {
    if (inToolbar(y)) {
        runToolbarCommand(at.x);
    } else if (button == kLeftButton && menuSelected[kNodeTool]) {
        addNode(at.x, at.y);
    } else if (button == kLeftButton && menuSelected[kEdgeTool] && !edgeStarted) {
        edgeStarted = true;
        selectedNode = getNode(at.x, at.y);
    } else if (button == kMiddleButton) {
        middleDown = true;
        selectedNode = getNode(mx, my);  // the last pointer position, not the press point
    }
}

}  // namespace

void mouse(int button, int state, int x, int y) {
    if (windowSizeKnown()) {
        const ScenePoint at = toScene(x, y);
        if (state == kButtonPressed) {
            press(button, y, at);
        } else {
            release(at);
        }
    }
    requestRedisplay();
}

void motion(int x, int y) {
    if (!windowSizeKnown()) return;
    const ScenePoint at = toScene(x, y);
    mx = at.x;
    my = at.y;
    if (middleDown && isNode(selectedNode)) {
        objects[selectedNode].pos[0] = mx;
        objects[selectedNode].pos[1] = my;
        requestRedisplay();
    }
}
