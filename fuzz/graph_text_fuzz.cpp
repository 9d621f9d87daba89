// Feeds arbitrary bytes to the graph text reader. Beyond surviving them under ASan and
// UBSan, what loads must be finite and at rest, and must save to a text that loads back
// whole and saves again to the same bytes: the first save has rounded coordinates to six
// digits, so a second round loses nothing.

#include "graph/store.h"
#include "io/graph_text.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Aborts, which is how libFuzzer wants a failure reported, unless `holds`.
void check(bool holds, const char* what, const std::string& text) {
    if (holds) return;
    std::fprintf(stderr, "%s, from this text:\n%s\n", what, text.c_str());
    std::abort();
}

void checkLoadedNodes(const std::string& text) {
    for (const Object& node : objects) {
        check(std::isfinite(node.pos[0]) && std::isfinite(node.pos[1]), "a non-finite coordinate", text);
        check(node.vel[0] == 0.0f && node.vel[1] == 0.0f, "a moving node", text);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    loadGraphText(input);
    checkLoadedNodes(input);
    const std::size_t nodeCount = objects.size();
    const std::vector<Edge> loadedEdges = edges;
    const std::string first = graphText();
    loadGraphText(first);
    checkLoadedNodes(first);
    check(objects.size() == nodeCount && edges == loadedEdges, "a saved graph did not load back whole", first);
    check(graphText() == first, "save, load, save changed the text", first);
    return 0;
}
