#include "io/graph_text.h"

#include "graph/store.h"
#include "io/file_system.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <utility>
#include <vector>

namespace {

// Six significant digits, as %g: enough to place a node, short enough to read.
constexpr int kCoordinatePrecision = 6;
// "-1.23457e+308" is the longest a widened float can come out; leave room to spare.
constexpr std::size_t kNumberBufferSize = 32;
// A saved coordinate takes at most 13 characters, and any float can be written exactly
// in well under 200. A longer run of digits is not a coordinate anyone wrote.
constexpr std::size_t kLongestNumber = 1024;
constexpr std::size_t kReadChunk = 64 * 1024;

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
bool isSpace(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(int c) { return c >= '0' && c <= '9'; }

// The nearest float to a decimal number, also below the normal range where from_chars
// gives up (1e-50 is 0, 1e-40 a subnormal). Overflow comes back infinite. The number is
// plain decimal by construction, and the program never sets a locale, so strtof reads
// it in the "C" locale, whose decimal point is the full stop.
float nearestFloat(const std::string& number) { return std::strtof(number.c_str(), nullptr); }

// The characters of a graph text, from memory or read from a file a chunk at a time.
class CharSource {
public:
    explicit CharSource(std::string_view text) : view_(text) {}
    explicit CharSource(InputFile& file) : file_(&file) {}

    // The character `ahead` places on (at most 2), or -1 past the end.
    int peek(std::size_t ahead = 0) {
        while (next_ + ahead >= view_.size() && refill()) {
        }
        return next_ + ahead < view_.size() ? static_cast<unsigned char>(view_[next_ + ahead]) : -1;
    }
    void skip() { ++next_; }
    // Whether reading the file failed, rather than ending or never starting.
    bool failed() const { return failed_; }

private:
    // Keeps the few characters not yet taken and appends the next chunk of the file.
    bool refill() {
        if (file_ == nullptr) return false;
        chunk_.erase(0, next_);
        next_ = 0;
        const std::size_t kept = chunk_.size();
        chunk_.resize(kept + kReadChunk);
        const std::ptrdiff_t count = file_->read(chunk_.data() + kept, kReadChunk);
        chunk_.resize(kept + (count > 0 ? static_cast<std::size_t>(count) : 0));
        view_ = chunk_;
        if (count > 0) return true;
        failed_ = count < 0;
        file_ = nullptr;  // the end, or an error
        return false;
    }

    std::string_view view_;
    std::size_t next_ = 0;
    std::string chunk_;
    InputFile* file_ = nullptr;
    bool failed_ = false;
};

// Hands out the numbers of a graph text one at a time. Each read skips white space and
// takes the longest run that forms a number of the wanted kind.
class TokenReader {
public:
    explicit TokenReader(CharSource& in) : in_(in) {}

    // A count or node index: plain decimal digits, no sign, at most 4294967295.
    bool readIndex(std::uint32_t& value) {
        skipSpace();
        if (!isDigit(in_.peek())) return false;
        std::uint64_t parsed = 0;
        for (; isDigit(in_.peek()); in_.skip()) {
            parsed = parsed * 10 + static_cast<std::uint64_t>(in_.peek() - '0');
            if (parsed > std::numeric_limits<std::uint32_t>::max()) return false;
        }
        value = static_cast<std::uint32_t>(parsed);
        return true;
    }

    // A coordinate: optional sign, digits with an optional fraction and exponent. Words
    // such as "nan" and "inf", and values beyond the float range, are refused, so every
    // coordinate loaded is finite.
    bool readCoordinate(float& value) {
        skipSpace();
        number_.clear();
        if (in_.peek() == '+' || in_.peek() == '-') take();
        const bool wholeDigits = takeDigits();
        if (in_.peek() == '.') take();
        if (!(takeDigits() || wholeDigits)) return false;
        // An "e" without digits after it is not part of the number: it stays for the
        // next read, which stops there.
        const std::size_t signs = in_.peek(1) == '+' || in_.peek(1) == '-' ? 1 : 0;
        if ((in_.peek() == 'e' || in_.peek() == 'E') && isDigit(in_.peek(1 + signs))) {
            take();
            if (signs) take();
            takeDigits();
        }
        if (number_.size() > kLongestNumber) return false;
        const float parsed = nearestFloat(number_);
        if (!std::isfinite(parsed)) return false;
        value = parsed;
        return true;
    }

private:
    void skipSpace() {
        while (isSpace(in_.peek())) in_.skip();
    }
    void take() {
        number_ += static_cast<char>(in_.peek());
        in_.skip();
    }
    // Whether any digit was taken. Stops past the length limit, which fails the read.
    bool takeDigits() {
        const std::size_t before = number_.size();
        while (isDigit(in_.peek()) && number_.size() <= kLongestNumber) take();
        return number_.size() > before;
    }

    CharSource& in_;
    std::string number_;
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
        addNode(x, y);
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

// The graph is read into a graph of its own: the one on screen is put aside and comes
// back unless reading ended cleanly, at the end of the text or at its first unreadable
// value. A read error part-way would otherwise load part of the graph, or a number cut
// short (an edge "654 15164" read as "654 151"), which the next save writes over the
// good file.
void readGraph(CharSource& source) {
    std::vector<Object> shownObjects;
    std::vector<Edge> shownEdges;
    std::swap(objects, shownObjects);
    std::swap(edges, shownEdges);
    TokenReader in(source);
    // A node section that breaks off ends the load: its edges would be meaningless.
    if (readNodes(in)) readEdges(in);
    if (!source.failed()) return;
    std::swap(objects, shownObjects);
    std::swap(edges, shownEdges);
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
    CharSource source(text);
    readGraph(source);
}

void loadGraphFromFile(InputFile& file) {
    CharSource source(file);
    readGraph(source);
}
