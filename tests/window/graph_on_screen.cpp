#include "graph_on_screen.h"

#include <cstdio>
#include <filesystem>
#include <sstream>

namespace window_test {

std::string fileNumber(float value) {
    char text[64];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
}

std::string graphText(const std::vector<ScenePoint>& nodes, const EdgeList& edges) {
    std::string text = std::to_string(nodes.size()) + "\n";
    for (const ScenePoint& n : nodes) text += fileNumber(n.x) + " " + fileNumber(n.y) + "\n";
    text += std::to_string(edges.size()) + "\n";
    for (const auto& [from, to] : edges) text += std::to_string(from) + " " + std::to_string(to) + "\n";
    return text;
}

std::optional<SavedGraph> parseGraph(const std::string& text) {
    std::istringstream in(text);
    SavedGraph graph;
    std::size_t count = 0;
    if (!(in >> count)) return std::nullopt;
    for (std::size_t i = 0; i < count; ++i) {
        ScenePoint p;
        if (!(in >> p.x >> p.y)) return std::nullopt;
        graph.nodes.push_back(p);
    }
    if (!(in >> count)) return std::nullopt;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t from = 0, to = 0;
        if (!(in >> from >> to)) return std::nullopt;
        graph.edges.emplace_back(from, to);
    }
    return graph;
}

std::vector<PixelCheck> graphChecks(const Editor& editor, const std::vector<ScenePoint>& nodes,
                                    const EdgeList& edges, Pixel pointer) {
    const int w = editor.width();
    const int h = editor.height();
    // The highlighted node: nearest the pointer by squared distance in float, the lowest
    // index among equals.
    const ScenePoint at = editor.sceneOf(pointer);
    std::size_t nearest = 0;
    float best = -1;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const float dx = nodes[i].x - at.x;
        const float dy = nodes[i].y - at.y;
        const float d = dx * dx + dy * dy;
        if (best < 0 || d < best) {
            best = d;
            nearest = i;
        }
    }
    std::vector<PixelCheck> checks;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const bool blue = i == nearest;
        const auto node = nodeChecks(nodes[i], w, h, blue ? kBlue : kYellow,
                                     "node " + std::to_string(i) + (blue ? " (nearest the pointer)" : ""));
        checks.insert(checks.end(), node.begin(), node.end());
    }
    for (const auto& [from, to] : edges) {
        checks.push_back({lineMiddle(nodes[from], nodes[to], w, h), kRed, 0,
                          "edge " + std::to_string(from) + "-" + std::to_string(to)});
    }
    return checks;
}

std::string saveThroughMenu(Editor& editor, Pixel menuAt) {
    const std::filesystem::path file = editor.resources() / "graph.txt";
    std::filesystem::remove(file);
    editor.chooseMenu(menuAt, "Graph", "Save graph.txt");
    std::optional<std::string> text;
    if (!waitUntil([&] { return (text = editor.readResource("graph.txt")).has_value(); }, "saved")) {
        ADD_FAILURE() << "\"Save graph.txt\" wrote no " << file;
        return {};
    }
    return *text;
}

}  // namespace window_test
