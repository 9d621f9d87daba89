#pragma once

// graph.txt in the working directory: node count, one "x y" line per node, edge count,
// one "from to" line per edge (the text itself is in graph_text.h).

inline constexpr const char* kGraphFileName = "graph.txt";

// Writes the graph to graph.txt, or to the file it links to. The file is replaced whole
// or not at all: a save that fails for any reason leaves the graph saved before exactly
// as it was. Only where its directory takes no new file is graph.txt rewritten in place.
void saveGraph();

// Replaces the graph with the one in graph.txt, up to its first unreadable value. When
// graph.txt cannot be opened, is not a regular file or fails to read, the graph in memory
// is kept.
void loadGraph();
