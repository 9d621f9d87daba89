#include "io/graph_text.h"

#include "graph/store.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>

namespace {

// Six significant digits, as %g: enough to place a node, short enough to read.
constexpr int kCoordinatePrecision = 6;
// "-1.23457e+308" is the longest a widened float can come out; leave room to spare.
constexpr std::size_t kNumberBufferSize = 32;

void appendCount(std::string& out, std::uint64_t value) {
    char buffer[kNumberBufferSize];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

// to_chars ignores the locale, so a decimal comma can never creep into the file, and
// with the general format and a precision it writes exactly what %g writes.
void appendCoordinate(std::string& out, float value) {
    char buffer[kNumberBufferSize];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value),
                                      std::chars_format::general, kCoordinatePrecision);
    out.append(buffer, result.ptr);
}

// White space as the "C" locale knows it, whatever locale the process runs in.
bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Hands out the numbers of a graph text one at a time. Each read skips white space and
// takes the longest run that forms a number of the wanted kind.
class TokenReader {
public:
    explicit TokenReader(std::string_view text)
        : next_(text.data()), end_(text.data() + text.size()) {}

    // A count or node index: plain decimal digits, no sign, at most 4294967295.
    bool readIndex(std::uint32_t& value) {
        skipSpace();
        if (next_ == end_ || !isDigit(*next_)) return false;
        const auto result = std::from_chars(next_, end_, value);
        if (result.ec != std::errc()) return false;
        next_ = result.ptr;
        return true;
    }

    // A coordinate: optional sign, digits with an optional fraction and exponent, taken
    // straight to the nearest float (going through double could round twice). Words such
    // as "nan" and "inf", and values beyond the float range, are refused, so every
    // coordinate loaded is finite.
    bool readCoordinate(float& value) {
        skipSpace();
        const char* start = next_;
        const bool plus = start != end_ && *start == '+';
        if (plus) ++start;  // from_chars takes a minus but not a plus
        const char* digits = start;
        if (!plus && digits != end_ && *digits == '-') ++digits;
        if (digits == end_ || !(isDigit(*digits) || *digits == '.')) return false;
        float parsed = 0.0f;
        const auto result = std::from_chars(start, end_, parsed, std::chars_format::general);
        if (result.ec != std::errc() || !std::isfinite(parsed)) return false;
        value = parsed;
        next_ = result.ptr;
        return true;
    }

private:
    void skipSpace() {
        while (next_ != end_ && isSpace(*next_)) ++next_;
    }

    const char* next_;
    const char* end_;
};

// Records are appended one at a time: a count is never trusted to reserve room, so a
// file that claims billions of nodes and holds two costs two nodes.
bool readNodes(TokenReader& in) {
    std::uint32_t count = 0;
    if (!in.readIndex(count)) return false;
    for (std::uint32_t i = 0; i < count; ++i) {
        float x = 0.0f;
        float y = 0.0f;
        if (!in.readCoordinate(x) || !in.readCoordinate(y)) return false;
        objects.push_back(Object{{x, y}, {0.0f, 0.0f}});
    }
    return true;
}

// Indices are not checked against the node count: the renderer and the layout skip
// edges that name no node, and saving writes them back as they were.
void readEdges(TokenReader& in) {
    std::uint32_t count = 0;
    if (!in.readIndex(count)) return;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t from = 0;
        std::uint32_t to = 0;
        if (!in.readIndex(from) || !in.readIndex(to)) return;
        edges.push_back(Edge{from, to});
    }
}

}  // namespace

std::string graphText() {
    std::string out;
    appendCount(out, objects.size());
    out += '\n';
    for (const Object& node : objects) {
        appendCoordinate(out, node.pos[0]);
        out += ' ';
        appendCoordinate(out, node.pos[1]);
        out += '\n';
    }
    appendCount(out, edges.size());
    out += '\n';
    for (const Edge& edge : edges) {
        appendCount(out, edge.from);
        out += ' ';
        appendCount(out, edge.to);
        out += '\n';
    }
    return out;
}

void loadGraphText(std::string_view text) {
    clearGraph();
    TokenReader in(text);
    // A node section that breaks off ends the load: its edges would be meaningless.
    if (readNodes(in)) readEdges(in);
}
