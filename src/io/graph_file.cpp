#include "io/graph_file.h"

#include "graph/window_requests.h"

void saveGraph() {
    // Filled in with the graph file.
}

void loadGraph() {
    requestRedisplay();
}
