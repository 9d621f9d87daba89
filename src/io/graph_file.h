#pragma once

// graph.txt in the working directory: node count, one "x y" line per node, edge count,
// one "from to" line per edge.
void saveGraph();
void loadGraph();
