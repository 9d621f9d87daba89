// Feeds arbitrary bytes to the graph text reader. Beyond surviving them under ASan and
// UBSan, whatever loads must save to a text that loads completely and saves again to the
// same bytes: after the first save has rounded coordinates to six digits, a save and a
// load lose nothing.

#include "graph/store.h"
#include "io/graph_text.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

void fail(const char* what, const std::string& first, const std::string& second) {
    std::fprintf(stderr, "%s\n--- first ---\n%s--- second ---\n%s", what, first.c_str(), second.c_str());
    std::abort();
}

void checkLoadedNodes(const std::string& text) {
    for (const Object& node : objects) {
        if (!std::isfinite(node.pos[0]) || !std::isfinite(node.pos[1])) {
            fail("non-finite coordinate", text, "");
        }
        if (node.vel[0] != 0.0f || node.vel[1] != 0.0f) fail("moving node", text, "");
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
    if (objects.size() != nodeCount || edges != loadedEdges) {
        fail("a saved graph did not load back whole", input, first);
    }
    const std::string second = graphText();
    if (first != second) fail("save, load, save changed the text", first, second);
    return 0;
}
