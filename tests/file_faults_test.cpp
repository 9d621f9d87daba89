// Saving and opening on POSIX systems: through links, onto FIFOs and devices, as an
// unprivileged user, while every call of a save or an open fails
// in turn, and while saves are killed at random moments. Whatever happens, graph.txt holds
// a whole graph, old or new, and the graph on screen is one whole graph.

#include "fault_shim.h"
#include "io/graph_text.h"
#include "io_support.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <functional>

#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using fs::perms;
const std::string kOldText = "1\n0.5 0.25\n0\n";
ino_t inode(const char* path) {
    struct stat info{};
    return stat(path, &info) == 0 ? info.st_ino : 0;
}
const fs::path kSaving = fs::path(".") / "graph.txt.saving";
// Longer than the new text, so that a rewrite in place shows whether it truncates.
const std::string kLongOldText = kOldText + std::string(64, ' ');
void withOld(const char* file, perms mode, const std::string& text = kOldText, int directoryMode = 0755) {
    put(file, text);
    fs::permissions(file, mode);
    fs::permissions(".", perms(directoryMode));
}
// graph.txt links to the file kept through `links` links: an absolute one, then relative
// ones taken from the directory each is in.
std::function<void()> chainOf(int links) {
    return [links] {
        withOld("kept", perms(0604));
        fs::create_directory("in");
        fs::create_symlink(fs::absolute("in/1"), kGraphFileName);
        for (int i = 1; i < links - 1; ++i) fs::create_symlink(std::to_string(i + 1), "in/" + std::to_string(i));
        fs::create_symlink("../kept", "in/" + std::to_string(links - 1));
    };
}

// Each scenario starts from the example graph in memory and what `make` puts in a fresh
// directory. Each call of its save or open fails in turn, once and for good, with each
// fault; then the same runs without faults and must do what it does on a good day.
TEST_F(GraphFile, EveryFailingCallLeavesTheOldGraphOrTheNew) {
    const bool root = geteuid() == 0;
    const passwd* nobody = getpwnam("nobody");
    const struct {
        const char* name;
        std::function<void()> make = [] { withOld(kGraphFileName, perms(0640)); };
        bool open = false, unnamedRefused = false, asNobody = false, inPlace = false;
        const char* file = kGraphFileName;  // the file a save writes
        std::string old = kOldText;         // what it holds before
        std::string text = kExample;        // what it holds after a save; for an open, the graph after it
        fs::file_type type = fs::file_type::regular;  // graph.txt after it
        perms mode = perms(0640);                     // the file after a save (umask 026)
    } scenarios[] = {
        {.name = "save"},
        // As many links as the kernel follows, and one more, which it would take for a loop.
        {.name = "save through links", .make = chainOf(40), .file = "kept", .type = fs::file_type::symlink, .mode = perms(0604)},
        {.name = "save through too many links", .make = chainOf(41), .file = "kept", .text = kOldText,
         .type = fs::file_type::symlink, .mode = perms(0604)},
        {.name = "save with no graph.txt", .make = [] {}, .old = ""},
        // Beside a temporary that an editor which had this process id left: its name is passed over.
        {.name = "save where unnamed files are refused",
         .make = [] { withOld(kGraphFileName, perms(0640)); put("graph.txt." + std::to_string(getpid()) + ".0", ""); },
         .unnamedRefused = true},
        // A graph of its own, which must never take the place of graph.txt.
        {.name = "save over a copy a killed save left", .make = [] { withOld(kGraphFileName, perms(0640)); put(kSaving, "0\n0\n"); }},
        {.name = "save onto a FIFO", .make = [] { mkfifo(kGraphFileName, 0644); }, .old = "", .text = "", .type = fs::file_type::fifo},
        // A directory that takes no new file, not even from root when the save runs as nobody.
        // There a failure part-way may leave the file cut short.
        {.name = "save in place", .make = [root] { withOld(kGraphFileName, perms(0666), kLongOldText, root ? 0755 : 0555); },
         .asNobody = true, .inPlace = true, .old = kLongOldText, .mode = perms(0666)},
        // Root's file, which nobody may write but not give away: the save stays nobody's.
        {.name = "save onto another user's file", .make = [] { withOld(kGraphFileName, perms(0666), kOldText, 0777); },
         .asNobody = true, .mode = perms(0666)},
        {.name = "save onto a write-protected file", .make = [] { withOld(kGraphFileName, perms(0444), kOldText, 0777); },
         .asNobody = true, .text = kOldText, .mode = perms(0444)},
        // The "e" of its last coordinate is the last byte of the first read chunk, and the
        // second read brings the one byte left: failing, it would cut the number short.
        {.name = "open", .make = [] { put(kGraphFileName, "1\n0.5" + std::string(65527, ' ') + "2.5e1"); },
         .open = true, .text = "1\n0.5 25\n0\n"},
        {.name = "open a FIFO with no writer", .make = [] { mkfifo(kGraphFileName, 0644); }, .open = true, .type = fs::file_type::fifo},
    };
    const struct { const char* name; int error; } faults[] = {{"ENOSPC", ENOSPC}, {"EIO", EIO}, {"EDQUOT", EDQUOT},
        {"EINTR", EINTR}, {"EACCES", EACCES}, {"a short write", FAULT_SHORT_WRITE}, {"an empty write", FAULT_EMPTY_WRITE},
        {"EFBIG past the file size limit", FAULT_FILE_TOO_BIG}};
    umask(026);
    std::signal(SIGXFSZ, SIG_DFL);  // as the editor starts, whatever this test inherited
    for (const auto& scenario : scenarios) {
        if (scenario.asNobody && root && nobody == nullptr) { std::printf("Skipped %s: no user nobody\n", scenario.name); continue; }
        const auto act = [&, switchUser = scenario.asNobody && root] {
            EXPECT_EQ(switchUser ? setegid(nobody->pw_gid) | seteuid(nobody->pw_uid) : 0, 0);
            scenario.open ? loadGraph() : saveGraph();
            EXPECT_EQ(switchUser ? seteuid(0) | setegid(0) : 0, 0);
        };
        ino_t oldInode = 0;          // the file's before the save
        std::set<fs::path> before;  // the names there before it, and the file it writes
        const auto run = [&](int failAt, int error, int forGood) {
            fs::permissions(".", perms::owner_all, fs::perm_options::add);
            for (const fs::path& old : names()) fs::remove_all(old);
            close(0);  // so that the file opened first gets descriptor 0, every time
            scenario.make();
            oldInode = inode(scenario.file);
            before = names();
            before.insert(fs::path(".") / scenario.file);
            std::tie(objects, edges) = std::tuple(kExampleNodes, kExampleEdges);
            refuseUnnamedFiles(scenario.unnamedRefused);
            armFaults(failAt, error, forGood);
            act();
            const FaultRecord record = disarmFaults();
            EXPECT_LT(record.injected, FAULT_MOST) << "retried for ever";
            return std::vector<std::string>(record.calls, record.calls + record.count);
        };
        const std::vector<std::string> calls = run(0, 0, 0);
        const auto renamed = std::find(calls.begin(), calls.end(), "rename");
        EXPECT_TRUE(renamed == calls.end() || std::find(renamed, calls.end(), "fsync") != calls.end()) << "the rename made durable";
        std::set<fs::path> after = before;
        after.erase(kSaving);
        for (std::size_t call = 0; call < calls.size(); ++call) {
            for (const auto& [fault, error] : faults) {
                for (const int forGood : {0, 1}) {
                    if (error < 0 && calls[call] != "write") continue;
                    SCOPED_TRACE(std::string(scenario.name) + ", call " + std::to_string(call + 1) + " (" + calls[call] +
                                 ") fails with " + fault + (forGood ? " for good" : " once"));
                    run(static_cast<int>(call + 1), error, forGood);
                    // An interruption or a short write, once, is taken in stride.
                    const bool retried = !forGood && (calls[call] == "read" || calls[call] == "write") &&
                                         (error == EINTR || error == FAULT_SHORT_WRITE || error == FAULT_EMPTY_WRITE);
                    const std::string text = scenario.open ? graphText() : saved(scenario.file);
                    EXPECT_TRUE(text == scenario.text || (!retried && (text == (scenario.open ? kExample : scenario.old) ||
                                                                       (scenario.inPlace && scenario.text.starts_with(text)))))
                        << text;
                    const std::set<fs::path> left = names();
                    EXPECT_TRUE(std::includes(before.begin(), before.end(), left.begin(), left.end())) << "a file left beside it";
                    // Only in place is graph.txt rewritten; anywhere else a new file takes its place.
                    EXPECT_FALSE(!scenario.open && !scenario.inPlace && error != EACCES && inode(scenario.file) == oldInode && text != scenario.old);
                    const auto openFiles = std::distance(fs::directory_iterator("/proc/self/fd"), {});
                    act();
                    EXPECT_EQ(std::distance(fs::directory_iterator("/proc/self/fd"), {}), openFiles) << "a file left open";
                    EXPECT_EQ(scenario.open ? graphText() : saved(scenario.file), scenario.text) << "then without faults";
                    EXPECT_EQ(fs::symlink_status(kGraphFileName).type(), scenario.type);
                    EXPECT_EQ(names(), after);
                    if (!scenario.open) { EXPECT_EQ(fs::status(scenario.file).permissions(), scenario.mode); }
                }
            }
        }
    }
}

// A child saves two large graphs in turn and is killed at random moments: graph.txt is
// always one of them, whole. The one file a kill may leave beside it, in the instant
// between naming the new file and renaming it, is a whole graph too, and the next save
// replaces it.
TEST_F(GraphFile, AKilledSaveLeavesOneWholeGraphAndNothingBesideIt) {
    std::string texts[2];
    for (int i = 0; i < 2; ++i) texts[i] = (objects = std::vector<Object>(50000, {{i ? 0.5f : 0.25f, 0.3f}, {}}), graphText());
    put(kGraphFileName, texts[0]);
    std::mt19937 random(17);
    for (int kill = 0; kill < 60; ++kill) {
        const pid_t child = fork();
        for (int i = 0; child == 0; i ^= 1) {
            loadGraphText(texts[i]);
            saveGraph();
        }
        usleep(std::uniform_int_distribution<useconds_t>(0, 60000)(random));
        ::kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        for (const fs::path& name : names()) {
            SCOPED_TRACE("kill " + std::to_string(kill) + ", " + name.string());
            EXPECT_TRUE(saved(name) == texts[0] || saved(name) == texts[1]);
            EXPECT_TRUE(name == fs::path(".") / kGraphFileName || name == kSaving) << "left beside graph.txt";
        }
    }
    saveGraph();
    EXPECT_EQ(names(), std::set<fs::path>{fs::path(".") / kGraphFileName}) << "the next save leaves nothing beside it";
}

}  // namespace
