// Feeds arbitrary bytes to the graph text reader. Beyond surviving them under ASan and
// UBSan, what loads must save to a text that loads back whole and saves again to the same
// bytes: the first save has rounded coordinates to six digits, so a second round loses
// nothing.

#include "graph/store.h"
#include "io/graph_text.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    loadGraphText(std::string(reinterpret_cast<const char*>(data), size));
    const std::size_t nodeCount = objects.size();
    const std::vector<Edge> loadedEdges = edges;
    const std::string first = graphText();
    loadGraphText(first);
    if (objects.size() != nodeCount || edges != loadedEdges || graphText() != first) {
        std::fprintf(stderr, "this saved graph did not load back as it was:\n%s\n", first.c_str());
        std::abort();  // how libFuzzer wants a failure reported
    }
    return 0;
}
