#include "editor_state.h"
#include "io/graph_file.h"
#include "io/graph_text.h"
#include "ui/callbacks.h"

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <locale.h>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const std::string kExampleText = "3\n0.25048 0.5\n0.74952 0.5\n1 1.25e-05\n2\n0 1\n1 2\n";

struct Point {
    float x;
    float y;
};

void placeExampleGraph() {
    addNode(0.250479996f, 0.5f);
    addNode(0.749520004f, 0.5f);
    addNode(1.0f, 0.0000125f);
    edges.push_back({0, 1});
    edges.push_back({1, 2});
}

std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::set<std::string> namesIn(const fs::path& directory) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory)) names.insert(entry.path().filename());
    return names;
}

mode_t permissionsOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

void expectNodes(const std::vector<Point>& expected) {
    ASSERT_EQ(objects.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(objects[i].pos[0], expected[i].x) << "node " << i;
        EXPECT_EQ(objects[i].pos[1], expected[i].y) << "node " << i;
        EXPECT_EQ(objects[i].vel[0], 0.0f) << "node " << i;
        EXPECT_EQ(objects[i].vel[1], 0.0f) << "node " << i;
    }
}

// Each test runs in a fresh directory of its own, since graph.txt is resolved against
// the working directory.
class GraphFile : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        previous_ = fs::current_path();
        std::string name = (fs::temp_directory_path() / "graph_file_test.XXXXXX").string();
        ASSERT_NE(mkdtemp(name.data()), nullptr);
        directory_ = name;
        fs::current_path(directory_);
    }

    void TearDown() override {
        fs::current_path(previous_);
        fs::remove_all(directory_);
        EditorTest::TearDown();
    }

    fs::path previous_;
    fs::path directory_;
};

using GraphText = EditorTest;

// ---- Writing

TEST_F(GraphFile, SavesTheExampleByteForByte) {
    saveGraph();
    EXPECT_EQ(readBytes(kGraphFileName), "0\n0\n") << "empty graph";

    placeExampleGraph();
    saveGraph();
    const std::string saved = readBytes(kGraphFileName);
    EXPECT_EQ(saved, kExampleText);
    EXPECT_EQ(saved.size(), 47u);
    EXPECT_EQ(windowRequestLog.redisplays, 0) << "saving requests no redraw";
}

TEST_F(GraphText, WritesCoordinatesAsPercentG) {
    const struct {
        float value;
        const char* written;
    } cases[] = {
        {0.5f, "0.5"},           {1.0f, "1"},                 {0.0f, "0"},
        {0.250479996f, "0.25048"}, {0.123456791f, "0.123457"},  {0.0000125f, "1.25e-05"},
        {-0.0125f, "-0.0125"},   {123456.0f, "123456"},       {1234567.0f, "1.23457e+06"},
        {0.0001f, "0.0001"},     {-0.0f, "-0"},
    };
    for (const auto& c : cases) {
        clearGraph();
        addNode(c.value, 0.5f);
        EXPECT_EQ(graphText(), "1\n" + std::string(c.written) + " 0.5\n0\n") << c.written;
    }
}

// The writer relies on to_chars giving exactly what printf's %g gives; check that on a
// broad sample of floats against printf in the "C" locale.
TEST_F(GraphText, CoordinatesMatchPrintfInTheCLocale) {
    const locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
    ASSERT_NE(cLocale, locale_t{});
    const locale_t old = uselocale(cLocale);
    std::mt19937 random(20261207);
    int mismatches = 0;
    for (int i = 0; i < 200000 && mismatches < 5; ++i) {
        const auto bits = static_cast<std::uint32_t>(random());
        float value;
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value)) continue;
        clearGraph();
        addNode(value, value);
        char expected[64];
        std::snprintf(expected, sizeof expected, "1\n%g %g\n0\n", static_cast<double>(value),
                      static_cast<double>(value));
        if (graphText() != expected) {
            ++mismatches;
            ADD_FAILURE() << "printf wrote " << expected << "we wrote " << graphText();
        }
    }
    uselocale(old);
    freelocale(cLocale);
}

TEST_F(GraphText, WritesEdgesAsHeldEvenOutsideTheNodeRange) {
    addNode(0.5f, 0.5f);
    edges = {{0, 7}, {4294967295u, 0}, {0, 0}, {0, 0}};
    EXPECT_EQ(graphText(), "1\n0.5 0.5\n4\n0 7\n4294967295 0\n0 0\n0 0\n");
}

// ---- Reading

struct ReadCase {
    const char* name;
    std::string text;
    std::vector<Point> nodes;
    std::vector<Edge> edges;
};

const std::vector<Point> kExampleNodes = {{0.25048f, 0.5f}, {0.74952f, 0.5f}, {1.0f, 0.0000125f}};
const std::vector<Edge> kExampleEdges = {{0, 1}, {1, 2}};

const ReadCase kReadCases[] = {
    {"saved example", kExampleText, kExampleNodes, kExampleEdges},
    {"one line", "3 0.25048 0.5 0.74952 0.5 1 1.25e-05 2 0 1 1 2", kExampleNodes, kExampleEdges},
    {"tabs", "3\t0.25048\t0.5\t0.74952\t0.5\t1\t1.25e-05\t2\t0\t1\t1\t2\t", kExampleNodes,
     kExampleEdges},
    {"CRLF", "3\r\n0.25048 0.5\r\n0.74952 0.5\r\n1 1.25e-05\r\n2\r\n0 1\r\n1 2\r\n", kExampleNodes,
     kExampleEdges},
    {"odd white space", " \v\f3\n\n 0.25048  0.5\n0.74952 0.5 1 1.25e-05 2 0 1 1 2", kExampleNodes,
     kExampleEdges},
    {"trailing garbage ignored", kExampleText + "garbage 12 -1\n", kExampleNodes, kExampleEdges},
    {"empty graph", "0\n0\n", {}, {}},
    {"empty text", "", {}, {}},
    {"first token not a number", "x\n0\n", {}, {}},
    {"short node section", "2\n0.5 0.25\n", {{0.5f, 0.25f}}, {}},
    {"node section broken by a word", "2\n0.5 0.25\nx 1\n1\n0 0\n", {{0.5f, 0.25f}}, {}},
    {"truncated edge line", "2\n0 0\n1 1\n2\n0 1\n1\n", {{0, 0}, {1, 1}}, {{0, 1}}},
    {"huge count, two nodes", "4294967295\n0.5 0.5\n0.25 0.25\n", {{0.5f, 0.5f}, {0.25f, 0.25f}}, {}},
    {"huge edge count", "1\n0 0\n4294967295\n0 0\n", {{0, 0}}, {{0, 0}}},
    {"count with plus", "+1\n0.5 0.5\n0\n", {}, {}},
    {"count with minus", "-1\n0.5 0.5\n0\n", {}, {}},
    {"count above 32 bits", "4294967296\n0.5 0.5\n0\n", {}, {}},
    {"index with minus", "1\n0 0\n2\n0 0\n-1 0\n", {{0, 0}}, {{0, 0}}},
    {"index above 32 bits", "1\n0 0\n2\n0 4294967295\n0 4294967296\n", {{0, 0}}, {{0, 4294967295u}}},
    {"nan", "2\n0.5 nan\n0.5 0.5\n0\n", {}, {}},
    {"inf", "1\ninf 0.5\n0\n", {}, {}},
    {"beyond float range", "2\n0.5 0.5\n1e39 0\n0\n", {{0.5f, 0.5f}}, {}},
    {"hex is not decimal", "1\n0x1p3 0\n0\n", {}, {}},
    {"outside the unit square kept", "2\n1.5 -0.25\n+2 -1e3\n0\n", {{1.5f, -0.25f}, {2.0f, -1000.0f}},
     {}},
    {"two signs", "1\n+-1 0\n0\n", {}, {}},
    {"bare fractions", "1\n.5 5.\n0\n", {{0.5f, 5.0f}}, {}},
    {"longest run only", "1\n1-2\n0\n", {{1.0f, -2.0f}}, {}},
    {"edge to no node kept", "3\n0 0\n1 1\n0.5 0.5\n1\n0 7\n", {{0, 0}, {1, 1}, {0.5f, 0.5f}},
     {{0, 7}}},
    {"self loop and duplicate kept", "2\n0 0\n1 1\n3\n1 1\n0 1\n0 1\n", {{0, 0}, {1, 1}},
     {{1, 1}, {0, 1}, {0, 1}}},
    // Parsing straight to float: via double this rounds twice and lands one step off.
    {"nearest float, no double rounding", "1\n1.00000005960464477550 0\n0\n", {{1.00000012f, 0}}, {}},
};

TEST_F(GraphText, ReadsTokenByTokenUpToTheFirstUnreadableValue) {
    for (const ReadCase& c : kReadCases) {
        SCOPED_TRACE(c.name);
        // Whatever was there before must go, whatever the file holds.
        addNode(0.9f, 0.9f);
        edges.push_back({0, 0});
        edges.push_back({5, 6});
        loadGraphText(c.text);
        expectNodes(c.nodes);
        EXPECT_EQ(edges, c.edges);
    }
}

TEST_F(GraphFile, LoadTouchesOnlyTheGraphAndRequestsARedraw) {
    writeBytes(kGraphFileName, kExampleText);
    menuSelected[kNodeTool] = false;
    menuSelected[kEdgeTool] = true;
    menuSelected[kRunButton] = true;
    edgeStarted = true;
    selectedNode = 9;
    middleDown = true;
    constant = 0.75f;
    sep = 0.125f;
    addNode(0.1f, 0.2f);
    objects[0].vel[0] = 3.0f;

    menu(kOpenGraph);  // "Open graph.txt"
    expectNodes(kExampleNodes);
    EXPECT_EQ(edges, kExampleEdges);
    EXPECT_EQ(windowRequestLog.redisplays, 1);
    EXPECT_TRUE(menuSelected[kEdgeTool] && menuSelected[kRunButton] && !menuSelected[kNodeTool]);
    EXPECT_TRUE(edgeStarted && middleDown);
    EXPECT_EQ(selectedNode, 9u);
    EXPECT_EQ(constant, 0.75f);
    EXPECT_EQ(sep, 0.125f);
}

// ---- Round trip

TEST_F(GraphFile, SaveLoadSaveGivesTheSameBytes) {
    const float awkward[] = {0.123456791f, 1e-7f, -3e30f, 1.4e-45f, -0.0f, 0.999999f, 3.4028235e38f};
    for (float value : awkward) addNode(value, 1.0f - value);
    objects[1].vel[0] = 0.5f;
    edges = {{0, 6}, {6, 0}, {2, 99}};

    saveGraph();
    const std::string first = readBytes(kGraphFileName);
    loadGraph();
    for (const Object& node : objects) {
        EXPECT_EQ(node.vel[0], 0.0f);
        EXPECT_EQ(node.vel[1], 0.0f);
    }
    EXPECT_EQ(objects[0].pos[0], 0.123457f) << "comes back in its six-digit form";
    saveGraph();
    EXPECT_EQ(readBytes(kGraphFileName), first);
}

// ---- Failures must never cost the user a graph

TEST_F(GraphFile, OpeningWithNothingToOpenKeepsTheGraph) {
    placeExampleGraph();
    const std::string before = graphText();

    menu(kOpenGraph);
    EXPECT_EQ(graphText(), before) << "no graph.txt";
    EXPECT_EQ(windowRequestLog.redisplays, 1);

    fs::create_directory(kGraphFileName);
    menu(kOpenGraph);
    EXPECT_EQ(graphText(), before) << "graph.txt is a directory";
    EXPECT_EQ(windowRequestLog.redisplays, 2);
}

TEST_F(GraphFile, SaveCutShortLeavesThePreviousFileIntact) {
    placeExampleGraph();
    saveGraph();
    const std::string before = readBytes(kGraphFileName);
    for (int i = 0; i < 1000; ++i) addNode(0.123f, 0.456f);

    // In a child, so the file size limit cannot touch anything else this process writes.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100, 100};
        setrlimit(RLIMIT_FSIZE, &limit);
        saveGraph();
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the child must survive the write failure";

    EXPECT_EQ(readBytes(kGraphFileName), before);
    EXPECT_EQ(namesIn("."), std::set<std::string>{kGraphFileName}) << "no temporary file left";

    saveGraph();
    EXPECT_EQ(readBytes(kGraphFileName), graphText()) << "without the limit the save goes through";
}

TEST_F(GraphFile, SaveOverADirectoryWritesNothing) {
    fs::create_directory(kGraphFileName);
    placeExampleGraph();
    saveGraph();
    EXPECT_TRUE(fs::is_directory(kGraphFileName));
    EXPECT_EQ(namesIn("."), std::set<std::string>{kGraphFileName});
}

TEST_F(GraphFile, SaveKeepsTheFilesPermissions) {
    const mode_t oldMask = umask(027);
    saveGraph();
    EXPECT_EQ(permissionsOf(kGraphFileName), 0640u) << "a new file is as a plain open would make it";

    umask(022);
    chmod(kGraphFileName, 0604);
    saveGraph();
    EXPECT_EQ(permissionsOf(kGraphFileName), 0604u) << "a replaced file keeps its mode";
    umask(oldMask);
}

TEST_F(GraphFile, SaveWritesThroughALinkedGraphFile) {
    fs::create_directory("elsewhere");
    writeBytes("elsewhere/kept.txt", "0\n0\n");
    fs::create_symlink("elsewhere/kept.txt", kGraphFileName);
    placeExampleGraph();

    saveGraph();
    EXPECT_TRUE(fs::is_symlink(kGraphFileName));
    EXPECT_EQ(readBytes("elsewhere/kept.txt"), kExampleText);
    EXPECT_EQ(namesIn("elsewhere"), std::set<std::string>{"kept.txt"});
    EXPECT_EQ(namesIn("."), (std::set<std::string>{"elsewhere", kGraphFileName}));
}

}  // namespace
