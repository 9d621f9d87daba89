#include "scene.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace window_test {
namespace {

constexpr double kNodeHalfSize = 0.01;
constexpr double kToolbarBottom = 0.875;

// A filled area covers the pixels whose centres lie inside it. In window coordinates
// (y up from the bottom row) the centre of column c is c + 0.5.
int firstCovered(double from) { return static_cast<int>(std::ceil(from - 0.5)); }
int lastCovered(double to) { return static_cast<int>(std::floor(to - 0.5)); }

// Screen rows count down from the top, window rows up from the bottom.
int screenRow(int glRow, int h) { return h - 1 - glRow; }

// The shade a button's gradient gives column c: `left` at the button's left edge x0,
// `right` at its right edge x1, linear between, sampled at the pixel centre.
double shadeAt(int column, double x0, double x1, double left, double right) {
    const double t = (column + 0.5 - x0) / (x1 - x0);
    return left + (right - left) * t;
}

}  // namespace

std::vector<PixelCheck> operator+(std::vector<PixelCheck> a, const std::vector<PixelCheck>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Pixel drawnAt(ScenePoint p, int w, int h) {
    const int column = static_cast<int>(std::floor(static_cast<double>(p.x) * w));
    const int glRow = static_cast<int>(std::floor(static_cast<double>(p.y) * h));
    return {column, screenRow(glRow, h)};
}

Box nodeSquare(ScenePoint centre, int w, int h) {
    const double cx = static_cast<double>(centre.x) * w;
    const double cy = static_cast<double>(centre.y) * h;
    const double hx = kNodeHalfSize * w;
    const double hy = kNodeHalfSize * h;
    return {firstCovered(cx - hx), screenRow(lastCovered(cy + hy), h), lastCovered(cx + hx),
            screenRow(firstCovered(cy - hy), h)};
}

std::vector<PixelCheck> nodeChecks(ScenePoint centre, int w, int h, Rgb colour, const std::string& what) {
    const Box box = nodeSquare(centre, w, h);
    const int toolbarRows = firstSceneRow(h);
    const auto visible = [&](Pixel p) { return p.x >= 0 && p.x < w && p.y >= toolbarRows && p.y < h; };
    std::vector<PixelCheck> checks;
    const auto add = [&](Pixel p, bool inside, const std::string& where) {
        if (visible(p)) checks.push_back({p, colour, 0, what + " " + where, !inside});
    };
    add({box.left, box.top}, true, "top-left corner");
    add({box.right, box.top}, true, "top-right corner");
    add({box.left, box.bottom}, true, "bottom-left corner");
    add({box.right, box.bottom}, true, "bottom-right corner");
    const int midX = (box.left + box.right) / 2;
    const int midY = (box.top + box.bottom) / 2;
    add({box.left - 1, midY}, false, "just left of the square");
    add({box.right + 1, midY}, false, "just right of the square");
    add({midX, box.top - 1}, false, "just above the square");
    add({midX, box.bottom + 1}, false, "just below the square");
    return checks;
}

Pixel lineMiddle(ScenePoint a, ScenePoint b, int w, int h) {
    return drawnAt({(a.x + b.x) / 2, (a.y + b.y) / 2}, w, h);
}

int firstSceneRow(int h) {
    // Window rows at or above 0.875 h belong to the toolbar.
    return screenRow(firstCovered(kToolbarBottom * h), h) + 1;
}

Pixel nearButtonLeft(int index, int w, int h) {
    return {static_cast<int>(std::ceil(0.25 * index * w)) + 4, firstSceneRow(h) / 2};
}

Pixel nearButtonRight(int index, int w, int h) {
    return {static_cast<int>(std::floor(0.25 * (index + 1) * w)) - 5, firstSceneRow(h) / 2};
}

std::vector<PixelCheck> toolbarChecks(int w, int h, const std::array<bool, 4>& lit) {
    std::vector<PixelCheck> checks;
    const int toolbarRows = firstSceneRow(h);
    for (int i = 0; i < 4; ++i) {
        const std::string button = "button " + std::to_string(i) + (lit[i] ? " (lit)" : " (unlit)");
        const double left = lit[i] ? 1.0 : 0.5;
        const double right = lit[i] ? 0.7 : 0.2;
        const double x0 = 0.25 * i * w;
        const double x1 = 0.25 * (i + 1) * w;
        for (Pixel p : {nearButtonLeft(i, w, h), nearButtonRight(i, w, h)}) {
            const Rgb shade = grey(shadeAt(p.x, x0, x1, left, right));
            checks.push_back({p, shade, 2, button + " shading"});
            // The shading fills the button from the window's top row to the toolbar's
            // last row, and the scene starts right below.
            checks.push_back({{p.x, 0}, grey(shadeAt(p.x, x0, x1, left, right)), 2, button + " top row"});
            checks.push_back({{p.x, toolbarRows - 1}, shade, 2, button + " bottom row"});
            checks.push_back({{p.x, toolbarRows}, kBlack, 0, button + ": first scene row under it"});
        }
        // The divider along the button's left edge (for button 0, the window's border).
        const int dividerColumn = static_cast<int>(std::lround(x0));
        checks.push_back({{dividerColumn, toolbarRows / 2}, kBlack, 0, button + " left divider"});
    }
    const auto icon = [&](double x, double y, Rgb colour, const std::string& what) {
        checks.push_back({drawnAt({static_cast<float>(x), static_cast<float>(y)}, w, h), colour, 0, what});
    };
    icon(1.0 / 8, 15.0 / 16, kYellow, "Node tool icon (a yellow square)");
    icon(1.0 / 24 + 0.005, 43.0 / 48 + 0.005, kYellow, "Node tool icon, near its bottom-left corner");
    icon(0.375, 0.9375, kGreen, "Edge tool icon (a green line)");
    icon(0.625, 0.9375, kRed, "Clear icon (a red cross)");
    icon(0.85, 0.9375, kBlue, "Run icon (a blue triangle)");
    icon(0.94, 0.9375, kBlue, "Run icon, near its tip");
    return checks;
}

std::vector<ScenePoint> nodesOnScreen(const Snapshot& shot) {
    const int w = shot.width();
    const int h = shot.height();
    const auto isNode = [&](Pixel p) {
        const Rgb c = shot.at(p);
        return c == kYellow || c == kBlue;
    };
    std::vector<bool> seen(static_cast<std::size_t>(w) * h, false);
    std::vector<ScenePoint> nodes;
    for (int y = firstSceneRow(h); y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (seen[static_cast<std::size_t>(y) * w + x] || !isNode({x, y})) continue;
            // Flood the square to find its extent.
            Box box{x, y, x, y};
            std::vector<Pixel> todo{{x, y}};
            seen[static_cast<std::size_t>(y) * w + x] = true;
            while (!todo.empty()) {
                const Pixel p = todo.back();
                todo.pop_back();
                box.left = std::min(box.left, p.x);
                box.right = std::max(box.right, p.x);
                box.top = std::min(box.top, p.y);
                box.bottom = std::max(box.bottom, p.y);
                for (Pixel n : {Pixel{p.x - 1, p.y}, Pixel{p.x + 1, p.y}, Pixel{p.x, p.y - 1}, Pixel{p.x, p.y + 1}}) {
                    if (n.x < 0 || n.x >= w || n.y < firstSceneRow(h) || n.y >= h) continue;
                    const std::size_t i = static_cast<std::size_t>(n.y) * w + n.x;
                    if (!seen[i] && isNode(n)) {
                        seen[i] = true;
                        todo.push_back(n);
                    }
                }
            }
            // The square spans columns left..right, that is window x from left to right + 1,
            // and likewise in rows counted from the bottom.
            const double cx = (box.left + box.right + 1) / 2.0;
            const double cy = ((h - 1 - box.bottom) + (h - box.top)) / 2.0;
            nodes.push_back({static_cast<float>(cx / w), static_cast<float>(cy / h)});
        }
    }
    return nodes;
}

}  // namespace window_test
