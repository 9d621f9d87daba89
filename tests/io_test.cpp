// The text of graph.txt, read from memory.
//
// What README.md says of reading graph.txt, and the rows that hold it: any white space between
// the numbers; the first value that is not a number of the expected kind ends the load, keeping
// what came before; a count or an index above 32 bits, nan, inf, beyond the float range (1e39)
// or longer than 1024 characters is no number; below it (1e-50) the nearest float; positions are
// read, velocities start at rest. Opening and saving through the menu: ui_test.cpp; when the
// system fails them: file_faults_test.cpp (POSIX), file_faults_windows_test.cpp.

#include "io/graph_text.h"
#include "support.h"
#include "ui/callbacks.h"

using GraphText = EditorTest;

TEST_F(GraphText, ReadsTokenByTokenUpToTheFirstUnreadableValue) {
    // Each row: its name, the text, and the nodes and edges it loads.
    const struct { const char* name; std::string text; std::vector<Object> nodes = {}; std::vector<Edge> edges = {}; } rows[] = {
        {"odd white space", " \v\f3\r\n\t0.25048\t 0.5\r\n0.74952 0.5 1 1.25e-05 2 0 1 1 2 7 7",
         kExampleNodes, kExampleEdges},
        {"truncated edge line, huge edge count", "1\n0 0\n4294967295\n0 1\n1\n", {{{0, 0}, {}}}, {{0, 1}}},
        {"count above 32 bits", "4294967296 5 0 1\n"},  // read on, the rest would be edges
        {"nan, inf", "2\n0.5 nan\ninf 0.5\n0\n"},
        {"beyond the float range", "2\n0.5 0.5\n-1e39 1\n0 0\n", {{{0.5f, 0.5f}, {}}}},
        {"below it: the nearest float", "3\n1e-50 -1e-50\n1e-40 .5\n+2 -1E+3\n1\n0 7",
         {{{0, -0.0f}, {}}, {{1e-40f, 0.5f}, {}}, {{2, -1000}, {}}}, {{0, 7}}},
        {"an e without digits ends the number", "2\n1e+ 2 3 4\n0\n"},
        {"a number of the longest length", "1\n0." + std::string(1021, '0') + "1 1\n0\n", {{{0, 1}, {}}}},
        {"one character longer", "1\n0." + std::string(1022, '0') + "1 1\n0\n"},
        // Straight to float: through double this rounds twice and lands one step off.
        {"nearest float, no double rounding", "1\n1.00000005960464477550 5.\n0\n", {{{1.00000012f, 5}, {}}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        objects = {{{0.9f, 0.9f}, {1, 1}}};  // whatever was there before goes
        edges = {{5, 6}};
        // Read to the end of the text, not to a NUL: a digit just past it is no part of it.
        const std::string padded = row.text + '5';
        loadGraphText(std::string_view(padded).substr(0, row.text.size()));
        EXPECT_EQ(nodeBits(), nodeBits(row.nodes));
        EXPECT_EQ(edges, row.edges);
    }
}
