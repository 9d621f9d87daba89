#pragma once

// What the window callbacks share beside the graph: the toolbar, the drags in progress,
// the window size and the pointer. Only the front end reads or writes it; the graph core
// knows nothing of it. Everything runs on the GLUT main-loop thread, one callback at a
// time, so nothing is locked.

#include <cstdint>

// The toolbar's buttons, left to right, as indices into menuSelected.
enum ToolbarButton : int { kNodeTool = 0, kEdgeTool = 1, kClearButton = 2, kRunButton = 3 };

// Lit state of each toolbar button. Exactly one tool is lit, Clear never is, and the Run
// entry is also the layout's run switch.
extern bool menuSelected[4];
// An edge is being drawn from selectedNode, with the left button held.
extern bool edgeStarted;
// The node the last edge start or middle press picked; it may name no node any more.
extern std::uint32_t selectedNode;
// The middle button is held: selectedNode follows the pointer.
extern bool middleDown;
// The window size in pixels, 0 until the first reshape.
extern int ww;
extern int wh;
// The last pointer position in the unit square, (0, 0) until the pointer first moves.
extern float mx;
extern float my;
