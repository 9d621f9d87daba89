#pragma once

// The text of graph.txt, kept apart from the file system so the reader can be exercised
// on any bytes: the node count, one "x y" line per node, the edge count, one "from to"
// line per edge, line feeds only. Velocities are not stored.

#include <string>
#include <string_view>

class InputFile;

// The current graph as graph.txt holds it. Coordinates are written as printf's %g would
// write them (six significant digits), always with a full stop whatever the locale.
std::string graphText();

// Replaces the graph with the one in `text`, read token by token with any white space
// between tokens. The first value that cannot be read ends the load; everything appended
// before it stays. Touches nothing but `objects` and `edges`, and requests no redraw.
void loadGraphText(std::string_view text);

// The same, reading from an open file as the load goes: it stops reading at the first
// value that cannot be read, so memory follows what is loaded, not the file's size. A
// read error keeps the graph as it was.
void loadGraphFromFile(InputFile& file);
