#include "io/graph_file.h"
#include "io/graph_text.h"
#include "support.h"
#include "ui/callbacks.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const std::string kExample = "3\n0.25048 0.5\n0.74952 0.5\n1 1.25e-05\n2\n0 1\n1 2\n";
const std::vector<Object> kExampleNodes = {{{0.25048f, 0.5f}, {}}, {{0.74952f, 0.5f}, {}}, {{1.0f, 0.0000125f}, {}}};
const std::vector<Edge> kExampleEdges = {{0, 1}, {1, 2}};

using GraphText = EditorTest;

TEST_F(GraphText, WritesCoordinatesAsPercentGAndEdgesAsHeld) {
    objects = {{{0.5f, 1.0f}, {}}, {{0.0f, 0.250479996f}, {}}, {{0.123456791f, 0.0000125f}, {}},
               {{-0.0125f, 123456.0f}, {}}, {{1234567.0f, 0.0001f}, {}}, {{-0.0f, 3.4028235e38f}, {}}};
    edges = {{0, 7}, {4294967295u, 0}, {0, 0}};
    EXPECT_EQ(graphText(), "6\n0.5 1\n0 0.25048\n0.123457 1.25e-05\n-0.0125 123456\n1.23457e+06 0.0001\n"
                           "-0 3.40282e+38\n3\n0 7\n4294967295 0\n0 0\n");
}

TEST_F(GraphText, ReadsTokenByTokenUpToTheFirstUnreadableValue) {
    const struct { const char* name; std::string text; std::vector<Object> nodes; std::vector<Edge> edges; } rows[] = {
        {"saved example", kExample, kExampleNodes, kExampleEdges},
        {"odd white space", " \v\f3\r\n\t0.25048\t 0.5\r\n0.74952 0.5 1 1.25e-05 2 0 1 1 2", kExampleNodes, kExampleEdges},
        {"trailing garbage ignored", kExample + "garbage 12 -1\n", kExampleNodes, kExampleEdges},
        {"first token not a number", "x\n0\n", {}, {}},
        {"node section broken by a word", "3\n0.5 0.25\nx 1\n1\n0 0\n", {{{0.5f, 0.25f}, {}}}, {}},
        {"truncated edge line, huge edge count", "1\n0 0\n4294967295\n0 1\n1\n", {{{0, 0}, {}}}, {{0, 1}}},
        {"count with a sign", "+1\n0.5 0.5\n0\n", {}, {}},
        {"count above 32 bits", "4294967297\n0.5 0.5\n0\n", {}, {}},
        {"index above 32 bits", "1\n0 0\n3\n0 04294967295\n0 4294967297\n0 0\n", {{{0, 0}, {}}}, {{0, 4294967295u}}},
        {"index with a sign", "1\n0 0\n2\n0 0\n-1 0\n", {{{0, 0}, {}}}, {{0, 0}}},
        {"nan, inf", "2\n0.5 nan\ninf 0.5\n0\n", {}, {}},
        {"beyond the float range", "2\n0.5 0.5\n-1e39 1\n0 0\n", {{{0.5f, 0.5f}, {}}}, {}},
        {"below it: the nearest float", "3\n1e-50 -1e-50\n1e-40 .5\n+2 -1E3\n1\n0 7\n", {{{0, -0.0f}, {}}, {{1e-40f, 0.5f}, {}}, {{2, -1000}, {}}},
         {{0, 7}}},
        {"hex is not decimal", "1\n0x1p3 0\n0\n", {}, {}},
        {"longest run only", "1\n1-2\n0\n", {{{1, -2}, {}}}, {}},
        {"an e without digits ends the number", "2\n1e+ 2 3 4\n0\n", {}, {}},
        {"a number past the length limit", "1\n0." + std::string(2000, '0') + "1 0\n0\n", {}, {}},
        // Straight to float: through double this rounds twice and lands one step off.
        {"nearest float, no double rounding", "1\n1.00000005960464477550 5.\n0\n", {{{1.00000012f, 5}, {}}}, {}},
    };
    for (const auto& row : rows) {
        objects = {{{0.9f, 0.9f}, {1, 1}}};  // whatever was there before goes
        edges = {{5, 6}};
        loadGraphText(row.text);
        EXPECT_EQ(nodeBits(), nodeBits(row.nodes)) << row.name;
        EXPECT_EQ(edges, row.edges) << row.name;
    }
}

// Each test runs in a fresh directory: graph.txt is taken from the working directory.
class GraphFile : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        std::string name = (fs::temp_directory_path() / "graph_file_test.XXXXXX").string();
        ASSERT_NE(mkdtemp(name.data()), nullptr);
        fs::current_path(name);
        objects = kExampleNodes;
        edges = kExampleEdges;
    }
    void TearDown() override {
        const fs::path directory = fs::current_path();
        fs::current_path(fs::temp_directory_path());
        fs::remove_all(directory);
        EditorTest::TearDown();
    }
    // Saves from a child process set up by `prepare`: its wait status, 0 for a clean exit.
    static int saveInChild(const std::function<void()>& prepare) {
        const pid_t child = fork();
        if (child == 0) {
            prepare();
            saveGraph();
            _exit(0);
        }
        int status = -1;
        waitpid(child, &status, 0);
        return status;
    }
    static std::string saved(const char* path = kGraphFileName) {
        std::ostringstream text;
        text << std::ifstream(path).rdbuf();
        return text.str();
    }
    static std::set<fs::path> names(const fs::path& directory = ".") {
        return {fs::directory_iterator(directory), fs::directory_iterator()};
    }
};

TEST_F(GraphFile, OpeningSomethingThatIsNoGraphFileKeepsTheGraph) {
    const std::function<void()> rows[] = {
        [] {},                                                       // missing
        [] { fs::create_directory(kGraphFileName); },                // a directory
        [] { mkfifo(kGraphFileName, 0644); },                        // a FIFO with no writer
        [] { fs::create_symlink("/dev/zero", kGraphFileName); },     // an endless device
    };
    for (const auto& make : rows) {
        fs::remove_all(kGraphFileName);
        make();
        menu(kOpenGraph);
        EXPECT_EQ(nodeBits(), nodeBits(kExampleNodes)) << "open number " << windowLog.redisplays;
    }
    EXPECT_EQ(windowLog.redisplays, 4);
}

TEST_F(GraphFile, OpeningReadsOnlyAsFarAsTheGraphGoes) {
    // 64 GiB, sparse: reading it all would exhaust memory long before its end.
    for (const std::string& start : {std::string(), std::string("1\n0.5 0.25\n0\n")}) {
        std::ofstream(kGraphFileName) << start;
        ASSERT_EQ(truncate(kGraphFileName, off_t{64} << 30), 0);
        menu(kOpenGraph);
        EXPECT_EQ(nodeBits(), nodeBits(start.empty() ? std::vector<Object>{} : std::vector<Object>{{{0.5f, 0.25f}, {}}}));
    }
    // A number read across the end of a read chunk, with the "e" that must be looked
    // past to see whether an exponent follows as the chunk's last byte.
    std::ofstream(kGraphFileName) << "1 " + std::string(65532, ' ') + "1e+5 2\n0\n";
    menu(kOpenGraph);
    EXPECT_EQ(nodeBits(), nodeBits({{{100000.0f, 2.0f}, {}}}));
}

TEST_F(GraphFile, SaveReplacesTheFileWholeKeepingItsMode) {
    const mode_t oldMask = umask(027);
    saveGraph();
    EXPECT_EQ(fs::status(kGraphFileName).permissions(), fs::perms(0640)) << "new, as a plain open makes it";
    fs::permissions(kGraphFileName, fs::perms(0604));
    clearGraph();
    saveGraph();
    umask(oldMask);
    EXPECT_EQ(saved(), "0\n0\n");
    EXPECT_EQ(fs::status(kGraphFileName).permissions(), fs::perms(0604)) << "replaced, it keeps its mode";
}

TEST_F(GraphFile, SaveThatCannotBeMadeLeavesEverythingAsItWas) {
    saveGraph();
    for (int i = 0; i < 1000; ++i) addNode(0.123f, 0.456f);
    const rlimit limit{100, 100};
    EXPECT_EQ(saveInChild([&] { setrlimit(RLIMIT_FSIZE, &limit); }), 0) << "past the file size limit";
    EXPECT_EQ(saved(), kExample);
    fs::rename(kGraphFileName, "kept");
    fs::create_directory(kGraphFileName);
    saveGraph();
    EXPECT_EQ(names(), (std::set<fs::path>{"./kept", "./graph.txt"})) << "no temporary file left";
    EXPECT_TRUE(fs::is_directory(kGraphFileName));
}

TEST_F(GraphFile, SaveWritesWhereALinkPointsAndKeepsTheLink) {
    fs::create_directory("elsewhere");
    std::ofstream("elsewhere/kept.txt") << "0\n0\n";
    for (const char* target : {"elsewhere/kept.txt", "elsewhere/new.txt"}) {
        fs::remove(kGraphFileName);
        fs::create_symlink(target, kGraphFileName);
        saveGraph();
        EXPECT_TRUE(fs::is_symlink(kGraphFileName)) << target;
        EXPECT_EQ(saved(target), kExample) << target;
    }
    EXPECT_EQ(names("elsewhere"), (std::set<fs::path>{"elsewhere/kept.txt", "elsewhere/new.txt"}));
}

// A user who may write graph.txt but not its directory: as root, a child that drops to
// an unprivileged user id; otherwise a directory its owner may not write.
TEST_F(GraphFile, SaveInADirectoryThatTakesNoNewFileRewritesTheFileInPlace) {
    std::ofstream(kGraphFileName) << "0\n0\n";
    fs::permissions(kGraphFileName, fs::perms(0666));
    const bool root = geteuid() == 0;
    fs::permissions(".", fs::perms(root ? 0755 : 0555));
    constexpr uid_t kNobody = 65534;
    EXPECT_EQ(saveInChild([root] {
                  if (root && (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(2);
              }),
              0);
    fs::permissions(".", fs::perms(0700));
    EXPECT_EQ(saved(), kExample);
    EXPECT_EQ(names(), std::set<fs::path>{"./graph.txt"});
}

}  // namespace
