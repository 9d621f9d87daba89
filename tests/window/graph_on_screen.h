#pragma once

// A graph as the window tests follow it: where its nodes were put (window pixels), its
// edges, and what it should look like on screen and in graph.txt.

#include "harness.h"
#include "scene.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace window_test {

using EdgeList = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

// A coordinate as graph.txt holds it: the float widened to double, printed with %g.
std::string fileNumber(float value);

// The exact text of graph.txt for these nodes and edges.
std::string graphText(const std::vector<ScenePoint>& nodes, const EdgeList& edges);

struct SavedGraph {
    std::vector<ScenePoint> nodes;
    EdgeList edges;
};
// Reads graph.txt's text; nothing if it is not a complete graph file.
std::optional<SavedGraph> parseGraph(const std::string& text);

// What the window shows for this graph with the pointer at `pointer`: every node square
// (the one nearest the pointer blue, the others yellow) and a red pixel in the middle of
// every edge.
std::vector<PixelCheck> graphChecks(const Editor& editor, const std::vector<ScenePoint>& nodes,
                                    const EdgeList& edges, Pixel pointer);

// Saves through "Graph" > "Save graph.txt", opening the menu at `menuAt`, and returns
// what was written. graph.txt is removed first, so the save is seen complete when the
// file is back (the program replaces it in one step).
std::string saveThroughMenu(Editor& editor, Pixel menuAt);

}  // namespace window_test
