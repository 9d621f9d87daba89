#include "io/graph_text.h"

#include "graph/store.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

#include <locale.h>
#include <unistd.h>

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
// plain decimal by construction; the "C" locale keeps its full stop the decimal point.
float nearestFloat(const std::string& number) {
    static const locale_t cLocale = newlocale(LC_NUMERIC_MASK, "C", locale_t{});
    const locale_t previous = uselocale(cLocale);
    const float value = std::strtof(number.c_str(), nullptr);
    uselocale(previous);
    return value;
}

// The characters of a graph text, from memory or read from a file a chunk at a time.
class CharSource {
public:
    explicit CharSource(std::string_view text) : view_(text) {}
    explicit CharSource(int fd) : fd_(fd) {}

    // The character `ahead` places on (at most 2), or -1 past the end.
    int peek(std::size_t ahead = 0) {
        while (next_ + ahead >= view_.size() && refill()) {
        }
        return next_ + ahead < view_.size() ? static_cast<unsigned char>(view_[next_ + ahead]) : -1;
    }
    void skip() { ++next_; }

private:
    // Keeps the few characters not yet taken and appends the next chunk of the file.
    bool refill() {
        if (fd_ < 0) return false;
        chunk_.erase(0, next_);
        next_ = 0;
        const std::size_t kept = chunk_.size();
        chunk_.resize(kept + kReadChunk);
        ssize_t count = 0;
        do {
            count = read(fd_, chunk_.data() + kept, kReadChunk);
        } while (count < 0 && errno == EINTR);
        chunk_.resize(kept + (count > 0 ? static_cast<std::size_t>(count) : 0));
        view_ = chunk_;
        if (count <= 0) fd_ = -1;  // the end, or a read error: what was read stays
        return count > 0;
    }

    std::string_view view_;
    std::size_t next_ = 0;
    std::string chunk_;
    int fd_ = -1;
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

void readGraph(CharSource& source) {
    clearGraph();
    TokenReader in(source);
    // A node section that breaks off ends the load: its edges would be meaningless.
    if (readNodes(in)) readEdges(in);
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

void loadGraphFromFile(int fd) {
    CharSource source(fd);
    readGraph(source);
}
