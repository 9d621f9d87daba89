#pragma once

// Where the editor draws what, in window pixels: the checks the window tests make on the
// scene and the toolbar. The unit square is stretched over a window of w x h pixels.

#include "harness.h"

#include <array>
#include <string>
#include <vector>

namespace window_test {

// Both lists of checks, to be made together.
std::vector<PixelCheck> operator+(std::vector<PixelCheck> a, const std::vector<PixelCheck>& b);

// Inclusive pixel rectangle.
struct Box {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// The pixel whose area holds the unit-square point (pixel corners belong to the pixel to
// their right and above, as far as points away from edges go).
Pixel drawnAt(ScenePoint p, int w, int h);

// The pixels a node square (half-size 0.01 of the unit square) centred on `centre` covers.
Box nodeSquare(ScenePoint centre, int w, int h);

// The node's square is `colour` at all four of its corner pixels and anything else just
// outside the middle of each side (parts below the toolbar and inside the window only).
std::vector<PixelCheck> nodeChecks(ScenePoint centre, int w, int h, Rgb colour, const std::string& what);

// The pixel under the middle of a 3-pixel line from a to b.
Pixel lineMiddle(ScenePoint a, ScenePoint b, int w, int h);

// The first pixel row below the toolbar (the toolbar fills the top eighth).
int firstSceneRow(int h);
// A pixel inside toolbar button `index` (0 to 3), on its middle row, a few pixels from its
// left or right edge, clear of the dividers and the icon.
Pixel nearButtonLeft(int index, int w, int h);
Pixel nearButtonRight(int index, int w, int h);

// Every button shaded lit (1.0 -> 0.7) or unlit (0.5 -> 0.2) from left to right, the black
// dividers, the four icons, and the boundary between toolbar and scene.
std::vector<PixelCheck> toolbarChecks(int w, int h, const std::array<bool, 4>& lit);

// The nodes the snapshot shows: every yellow or blue square below the toolbar, by the
// unit-square point at its centre, top to bottom and left to right.
std::vector<ScenePoint> nodesOnScreen(const Snapshot& shot);

}  // namespace window_test
