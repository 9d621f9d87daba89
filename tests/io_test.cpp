#include "io/graph_file.h"
#include "io/graph_text.h"
#include "support.h"
#include "ui/callbacks.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <iterator>
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
        {"odd white space", " \v\f3\r\n\t0.25048\t 0.5\r\n0.74952 0.5 1 1.25e-05 2 0 1 1 2", kExampleNodes,
         kExampleEdges},
        {"first token not a number", "x\n0\n", {}, {}},
        {"truncated edge line, huge edge count", "1\n0 0\n4294967295\n0 1\n1\n", {{{0, 0}, {}}}, {{0, 1}}},
        {"count with a sign", "+1\n0.5 0.5\n0\n", {}, {}},
        {"count above 32 bits", "4294967297\n0.5 0.5\n0\n", {}, {}},
        {"nan, inf", "2\n0.5 nan\ninf 0.5\n0\n", {}, {}},
        {"beyond the float range", "2\n0.5 0.5\n-1e39 1\n0 0\n", {{{0.5f, 0.5f}, {}}}, {}},
        {"below it: the nearest float", "3\n1e-50 -1e-50\n1e-40 .5\n+2 -1E3\n1\n0 7\n",
         {{{0, -0.0f}, {}}, {{1e-40f, 0.5f}, {}}, {{2, -1000}, {}}}, {{0, 7}}},
        {"hex is not decimal", "1\n0x1p3 0\n0\n", {}, {}},
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

// Each test runs in a fresh directory of its own: graph.txt is taken from the working
// directory.
class GraphFile : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        fs::current_path(mkdtemp(scratch_.data()));
        std::tie(objects, edges) = std::tuple(kExampleNodes, kExampleEdges);
    }
    void TearDown() override {
        fs::current_path(fs::temp_directory_path());
        fs::permissions(scratch_, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(scratch_);
    }
    // Saves from a child process set up by `prepare`: its wait status, 0 for a clean exit.
    static int saveInChild(const std::function<void()>& prepare) {
        const pid_t child = fork();
        if (child == 0) {
            umask(027);
            prepare();
            saveGraph();
            _exit(0);
        }
        int status = -1;
        waitpid(child, &status, 0);
        return status;
    }
    static std::string saved(const char* path = kGraphFileName) {
        std::ifstream in(path);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static std::set<fs::path> names(const fs::path& directory = ".") {
        return {fs::directory_iterator(directory), fs::directory_iterator()};
    }

    std::string scratch_ = (fs::temp_directory_path() / "graph_file_test.XXXXXX").string();
};

// Opening never waits on what is no regular file, and reads only as far as the graph goes.
TEST_F(GraphFile, OpeningKeepsTheGraphUnlessThereIsAGraphFileToRead) {
    const auto huge = [](const char* start) {  // 64 GiB, sparse: read whole, it would exhaust memory
        return [start] { std::ofstream(kGraphFileName) << start; fs::resize_file(kGraphFileName, 64ull << 30); };
    };
    const struct { const char* name; std::function<void()> make; std::vector<Object> nodes; } rows[] = {
        {"missing", [] {}, kExampleNodes},
        {"a directory", [] { fs::create_directory(kGraphFileName); }, kExampleNodes},
        {"a FIFO with no writer", [] { mkfifo(kGraphFileName, 0644); }, kExampleNodes},
        {"a link to an endless device", [] { fs::create_symlink("/dev/zero", kGraphFileName); }, kExampleNodes},
        {"huge, starting with junk", huge(""), {}},
        {"huge, starting with a graph", huge("1\n0.5 0.25\n0\n"), {{{0.5f, 0.25f}, {}}}},
        // The "e" that must be looked past, to see whether an exponent follows, as the last
        // byte of a read chunk.
        {"read across chunks", [] { std::ofstream(kGraphFileName) << "1 " + std::string(65532, ' ') + "1e+5 2\n0\n"; },
         {{{100000.0f, 2.0f}, {}}}},
    };
    for (const auto& row : rows) {
        fs::remove_all(kGraphFileName);
        row.make();
        menu(kOpenGraph);
        EXPECT_EQ(nodeBits(), nodeBits(row.nodes)) << row.name;
        objects = kExampleNodes;
    }
    EXPECT_EQ(redisplays, 7) << "every open redraws";
}

// A save that cannot be made leaves everything as it was; one that can is made, through
// a link and in a directory that takes no new file (as root, from a child that drops to an
// unprivileged user; otherwise a directory its owner may not write).
TEST_F(GraphFile, SavingReplacesTheFileWholeWhereverItCan) {
    const rlimit fileSizeLimit{100, 100};
    const bool root = geteuid() == 0;
    const struct {
        const char* name;
        std::function<void()> make, prepare;
        const char* file;
        std::string text;
    } rows[] = {
        {"past the file size limit", [] { std::ofstream(kGraphFileName) << "0\n0\n"; },
         [&] { setrlimit(RLIMIT_FSIZE, &fileSizeLimit); }, kGraphFileName, "0\n0\n"},
        {"through a link", [] { std::ofstream("kept") << "0\n0\n"; fs::create_symlink("kept", kGraphFileName); }, [] {},
         "kept", kExample},
        {"through a link to no file yet", [] { fs::create_symlink("new", kGraphFileName); }, [] {}, "new", kExample},
        {"in place", [root] {
             std::ofstream(kGraphFileName) << "0\n0\n";
             fs::permissions(kGraphFileName, fs::perms(0666));
             fs::permissions(".", root ? fs::perms(0755) : fs::perms(0555));
         },
         [root] {
             constexpr uid_t kNobody = 65534;
             if (root && (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(2);
         },
         kGraphFileName, kExample},
    };
    for (int i = 0; i < 1000; ++i) objects.push_back(kExampleNodes[0]);  // too big for the size limit
    for (const auto& row : rows) {
        for (const fs::path& old : names()) fs::remove_all(old);
        row.make();
        std::set<fs::path> after = names();
        after.insert(fs::path(".") / row.file);
        // A file the save replaces keeps its mode; a new one gets what a plain open gives it.
        const fs::perms mode = fs::exists(row.file) ? fs::status(row.file).permissions() : fs::perms(0640);
        EXPECT_EQ(saveInChild(row.prepare), 0) << row.name;
        EXPECT_EQ(saved(row.file), row.text) << row.name;
        EXPECT_EQ(fs::status(row.file).permissions(), mode) << row.name;
        EXPECT_EQ(names(), after) << row.name << ": no file left beside it, the link still there";
        objects.resize(3);
    }
}

}  // namespace
