// Feeds any bytes to the graph reader and holds it to its promises: no crash, no read past
// the bytes (the text is a buffer exactly their length), no allocation that a count asks
// for (-malloc_limit_mb), no hang. Read as a file, handed over in pieces of 1 to 16 bytes
// so that every split between reads is tried, they load what they load from memory; and
// what loads saves to a text that loads back as it was and saves to the same bytes (the
// first save has rounded the coordinates to six digits already).

#include "graph/store.h"
#include "io/file_system.h"
#include "io/graph_text.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

static std::string_view unread;   // what the file has left to give
static std::uint32_t pieces = 0;  // draws the size of each piece

// How libFuzzer wants a failure reported: an abort, after what went wrong and with what.
#define REQUIRE(holds, what, text) \
    if (!(holds)) std::fprintf(stderr, "%s:\n%.*s\n", what, static_cast<int>((text).size()), (text).data()), std::abort()

// The platform's file, standing in: the bytes in memory, handed over piece by piece.
InputFile::InputFile(const char*) : fd_(0) {}
InputFile::~InputFile() = default;
bool InputFile::isRegularFile() const { return fd_ == 0; }
std::ptrdiff_t InputFile::read(char* buffer, std::size_t size) {
    pieces = pieces * 1103515245u + 12345u;
    const std::size_t piece = std::min({size, unread.size(), std::size_t{1} + (pieces >> 16) % 16});
    std::memcpy(buffer, unread.data(), piece);
    unread.remove_prefix(piece);
    return static_cast<std::ptrdiff_t>(piece);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    loadGraphText(bytes);
    const auto [nodes, links] = std::tuple(objects, edges);
    std::tie(unread, pieces) = std::tuple(bytes, static_cast<std::uint32_t>(size));
    InputFile file("graph.txt");
    loadGraphFromFile(file);
    REQUIRE(objects.size() == nodes.size() && edges == links &&
            (nodes.empty() || std::memcmp(objects.data(), nodes.data(), nodes.size() * sizeof(Object)) == 0),
            "read as a file, another graph loaded", bytes);
    const std::string saved = graphText();
    loadGraphText(saved);
    REQUIRE(graphText() == saved, "this saved graph did not load back as it was", saved);
    return 0;
}
