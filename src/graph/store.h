#pragma once

// The graph and the layout's two parameters, with the editing operations on them. Plain
// data and free functions: nothing here knows of a window. Everything runs on the GLUT
// main-loop thread, one callback at a time, so nothing is locked.

#include <cstdint>
#include <vector>

struct Object {
    float pos[2];  // x, y in the unit square
    float vel[2];
};

struct Edge {
    std::uint32_t from;
    std::uint32_t to;
    bool operator==(const Edge&) const = default;
};

inline constexpr float kInitialConstant = -0.1f;
inline constexpr float kInitialSep = 0.1f;

extern std::vector<Object> objects;
extern std::vector<Edge> edges;

// The force law's scale and separation distance, tuned from the keyboard.
extern float constant;
extern float sep;

// Whether `index` names a node. Node indices come from picks on a graph that may have
// shrunk since, and edge endpoints from files, so every reader checks before indexing.
inline bool isNode(std::uint32_t index) { return index < objects.size(); }
// Whether both ends of `edge` name nodes. An edge from a file may name nodes the graph does
// not have: it stays stored and saved, but is neither drawn nor pulls.
inline bool joinsNodes(const Edge& edge) { return isNode(edge.from) && isNode(edge.to); }

// Index of the node nearest (x, y); ties go to the lowest index. 0 on an empty graph,
// which names no node (see isNode).
std::uint32_t getNode(float x, float y);
void addNode(float x, float y);
// Joins `from` to the node nearest (x, y), unless that is `from` itself, the graph has
// fewer than two nodes, or `from` names no node.
void addEdge(std::uint32_t from, float x, float y);
// Removes the node nearest (x, y) with every edge touching it, renumbering the rest.
void removeNode(float x, float y);
void clearGraph();
