// Saving and opening on POSIX systems: through links, onto FIFOs, folders and other users'
// files, while every call of a save or an open fails in turn, and while saves are killed.
//
// What README.md and DEVELOPING.md promise of graph.txt, and what holds it. Every scenario of
// EveryFailingCall checks each rule below after every fault of every call it makes:
//   graph.txt holds the old graph or the new, whole; a failed save leaves the old one, and the
//     graph on screen; a file that fails while read keeps the graph on screen: "the old graph
//     or the new, as promised", "the graph on screen kept"
//   written whole beside it, flushed, and only then put in its place, the directory flushed
//     after: "replaced, never rewritten", "flushed before and after the rename"
//   nothing left beside it by a failed save; a killed one leaves at most a whole
//     graph.txt.saving, which the next save replaces: "nothing left beside it", "then it goes
//     as on a good day", save_over_a_copy_a_killed_save_left, and the fault "the editor killed
//     just before it" with its rule "killed, the old graph or the new, ..."
//   graph.txt.<process>.<n> where no unnamed file can be made, a hundred names tried:
//     save_where_unnamed_files_are_refused, save_where_only_the_first_name_is_free,
//     save_where_every_name_is_taken
//   a folder, FIFO or device, or a file you may not write, left alone: save_onto_a_folder (any
//     but a regular file, as lstat tells), save_onto_a_write_protected_file
//   only "no such file" is absent: the faults of every lstat and readlink
//   a full disk, an I/O error, a file size limit: EIO and EFBIG (SIGXFSZ raised) at every call
//   an interrupted call or a write of nothing tried kAttempts times, never for ever: EINTR
//     and writes of nothing kAttempts - 1 and kAttempts times, "never retried for ever"
//   permissions kept, and as root the owner; a new file's from the umask: "type, mode and
//     owner kept", the scenarios as and onto another user, save_with_no_graph_txt in two umasks
//   through links, at most kMostLinks, the file they lead to written, the links kept:
//     save_through_...
//   rewritten in place where no file may be made beside it, perhaps cut short: save_in_place
//   opening: no regular file never read nor waited on (open_a_FIFO..., open_a_link_to_dev_zero);
//     kChunk at a time: open_a_graph_whose_tail_cannot_be_read
// And no descriptor is left open, even by a failed call: "no descriptor left open".

#include "fault_shim.h"
#include "io/file_system.h"
#include "io/graph_text.h"
#include "support.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <set>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

static std::function<void()> afterAKill;
void (*killed)() = [] { afterAKill(); };

namespace {

// The bounds the code keeps. An interrupted call, or a write that writes nothing, is tried
// this many times in all: enough for any burst of signals, and then the call that stalls for
// good fails the save or open rather than hang the editor.
constexpr int kAttempts = 8;
// Opening reads this much at a time, so that a read reaching no further than the graph and
// the chunk it ends in cannot fail the open.
constexpr std::size_t kChunk = 64 * 1024;
// Links followed to the file a save writes: as many as the kernel follows in one path.
constexpr int kMostLinks = 40;
// Names tried for a save's temporary where no unnamed file can be made, past those that
// editors killed long ago left: enough for any such, and then the save gives up.
constexpr unsigned kNames = 100;

const std::string kOldText = "1\n0.5 0.25\n0\n";
const std::string kLongOldText = kOldText + std::string(64, ' ');  // shows a rewrite that does not truncate
const fs::path kSaving = fs::path(".") / "graph.txt.saving";
const bool kRoot = geteuid() == 0;
const passwd* const kNobody = getpwnam("nobody");

struct stat statOf(const fs::path& path) { struct stat info{}; return stat(path.c_str(), &info), info; }
long openFiles() { return std::distance(fs::directory_iterator("/proc/self/fd"), {}); }

void withOld(const char* file, int mode, const std::string& text = kOldText, int directoryMode = 0755) {
    put(file, text);
    fs::permissions(file, fs::perms(mode));
    fs::permissions(".", fs::perms(directoryMode));
}
// A graph.txt of the old graph, with `mode` and its folder's `directoryMode`.
std::function<void()> oldGraph(int mode, const std::string& text = kOldText, int directoryMode = 0755) {
    return [=] { withOld(kGraphFileName, mode, text, directoryMode); };
}
// graph.txt leads to the file "kept" through `links` links: an absolute one, then relative ones
// taken from the directory each is in.
std::function<void()> chainOf(int links) {
    return [links] {
        withOld("kept", 0604);
        fs::create_directory("in");
        fs::create_symlink(fs::absolute("in/1"), kGraphFileName);
        for (int i = 1; i < links - 1; ++i) {
            fs::create_symlink(std::to_string(i + 1), "in/" + std::to_string(i));
        }
        fs::create_symlink("../kept", "in/" + std::to_string(links - 1));
    };
}

// A save or an open of the example graph in memory among what `make` puts in a fresh folder,
// with names [taken[0], taken[1]) of a save's temporary taken, and what it leaves on a good
// day: graph.txt keeps its type, and the file a save writes its mode, or gets 0666 less the
// umask if it is new. With nobodyOwns, that file is nobody's after a save as root.
struct Scenario {
    const char* name;
    std::function<void()> make = oldGraph(0640);
    unsigned taken[2] = {};
    bool open = false, unnamedRefused = false, asNobody = false, inPlace = false, nobodyOwns = false;
    mode_t umask = 026;
    const char* file = kGraphFileName;  // the file a save writes
    std::string text = kExample;        // what it holds after a save; for an open, the graph after it
};
void PrintTo(const Scenario& scenario, std::ostream* out) { *out << scenario.name; }

const Scenario kScenarios[] = {
    {.name = "save"},
    {.name = "save_through_links", .make = chainOf(kMostLinks), .file = "kept"},
    // One more than the kernel follows, which it would take for a loop.
    {.name = "save_through_too_many_links", .make = chainOf(kMostLinks + 1), .file = "kept",
     .text = kOldText},
    {.name = "save_through_a_link_to_no_file_yet",
     .make = [] { fs::create_symlink("kept", kGraphFileName); }, .file = "kept"},
    {.name = "save_with_no_graph_txt", .make = [] {}},
    {.name = "save_with_no_graph_txt_and_no_umask", .make = [] {}, .umask = 0},
    // Beside temporaries that editors which had this process id left: their names are passed
    // over, a hundred at most, from the first.
    {.name = "save_where_unnamed_files_are_refused", .taken = {0, 1}, .unnamedRefused = true},
    {.name = "save_where_only_the_first_name_is_free", .taken = {1, kNames}, .unnamedRefused = true},
    {.name = "save_where_every_name_is_taken", .taken = {0, kNames}, .unnamedRefused = true,
     .text = kOldText},
    // A graph of its own, which must never take the place of graph.txt.
    {.name = "save_over_a_copy_a_killed_save_left",
     .make = [] { withOld(kGraphFileName, 0640), put(kSaving, "0\n0\n"); }},
    {.name = "save_onto_a_folder", .make = [] { fs::create_directory(kGraphFileName); }, .text = ""},
    // A folder that takes no new file, not even from root when the save runs as nobody.
    {.name = "save_in_place", .make = oldGraph(0666, kLongOldText, kRoot ? 0755 : 0555), .asNobody = true,
     .inPlace = true},
    // Root's file, which nobody may write but not give away: the save stays nobody's.
    {.name = "save_onto_another_users_file", .make = oldGraph(0666, kOldText, 0777), .asNobody = true,
     .nobodyOwns = true},
    {.name = "save_as_root_onto_nobodys_file",
     .make = [] { withOld(kGraphFileName, 0640), (void)chown(kGraphFileName, kNobody->pw_uid, kNobody->pw_gid); },
     .nobodyOwns = true},
    {.name = "save_onto_a_write_protected_file", .make = oldGraph(0444, kOldText, 0777), .asNobody = true,
     .text = kOldText},
    // The "e" of its last coordinate is the last byte of the first chunk, and the second read
    // brings the one byte left: failing, it would cut the number short.
    {.name = "open", .make = [] { put(kGraphFileName, "1\n0.5" + std::string(kChunk - 9, ' ') + "2.5e1"); },
     .open = true, .text = "1\n0.5 25\n0\n"},
    // On a file system that fails a whole read reaching an unreadable byte, as some network
    // and FUSE file systems do, a graph in the first chunk loads all the same. The byte is one
    // past the chunk, so that a chunk read after a read of one byte falls short of it too.
    {.name = "open_a_graph_whose_tail_cannot_be_read",
     .make = [] { put(kGraphFileName, kOldText + std::string(2 * kChunk, ' ')), unreadableFrom(kChunk + 1); },
     .open = true, .text = kOldText},
    {.name = "open_a_FIFO_with_no_writer", .make = [] { mkfifo(kGraphFileName, 0644); }, .open = true},
    {.name = "open_a_link_to_dev_zero", .make = [] { fs::create_symlink("/dev/zero", kGraphFileName); },
     .open = true},
};

// A fault, `times` in a row, at each call it can meet: every call when none is named. The code
// tells no error apart but EACCES, EINTR, EEXIST and ENOENT: EIO stands for a full disk, a
// quota and any other.
struct Fault {
    const char* name;
    int error;
    std::vector<int> times = {1, FAULT_MOST};
    std::set<std::string> calls = {};
};
const Fault kFaults[] = {
    {"EIO", EIO}, {"EACCES", EACCES}, {"EINTR", EINTR},
    {"EINTR", EINTR, {kAttempts - 1, kAttempts}, {"read", "write"}},
    {"a short read or write", FAULT_SHORT, {1, FAULT_MOST}, {"read", "write"}},
    {"a write of nothing", FAULT_EMPTY, {1, kAttempts - 1, kAttempts, FAULT_MOST}, {"write"}},
    {"EFBIG past the file size limit", FAULT_FILE_TOO_BIG, {1, FAULT_MOST}, {"write"}},
    {"a read of one byte", FAULT_ONE_BYTE, {1}, {"read"}},
    {"a link with no text", FAULT_EMPTY, {1}, {"readlink"}},
    {"its name taken by another save", FAULT_NAME_TAKEN, {1, 2}, {"linkat"}},
    {"the editor killed just before it", FAULT_KILLED, {1}},
};

// What is left after a fault: the old graph; what a good day leaves (graph.txt replaced by a
// save, or rewritten where it stands in place); the new graph written in place, where the
// folder takes no new file; or, rewritten in place, any of the old, the new and the new cut short.
enum class Outcome { oldGraph, goodDay, newInPlace, anyInPlace };

// The promise for call `at` of `calls` failing with `fault`, `times` in a row.
Outcome promised(const Scenario& s, const std::vector<std::string>& calls, std::size_t at, const Fault& fault,
                 int times) {
    const std::string& call = calls[at];
    const int e = fault.error;
    const auto indexOf = [&](const std::string& name) {
        return std::size_t(std::ranges::find(calls, name) - calls.begin());
    };
    const bool once = times == 1, first = indexOf(call) == at;
    const std::size_t settled = indexOf(s.open ? "close" : "rename");
    // Taken in stride: a read or write that brings less is followed by the rest (a write halved
    // for good ends in writes of nothing), an interruption or a write of nothing is tried again,
    // and a name another save took is taken from it once. A kill is looked at as it happens.
    const bool transfer = call == "read" || call == "write";
    if ((e == FAULT_SHORT && (call == "read" || once)) || e == FAULT_ONE_BYTE || e == FAULT_KILLED) {
        return Outcome::goodDay;
    }
    if ((e == EINTR || e == FAULT_EMPTY) && transfer && times < kAttempts) return Outcome::goodDay;
    if (e == FAULT_NAME_TAKEN && first && once) return Outcome::goodDay;
    if (s.inPlace) return Outcome::anyInPlace;
    // Once the new file has taken graph.txt's place, or the graph is read, it stays.
    if (s.open ? at >= settled : at > settled) return Outcome::goodDay;
    // An unnamed file refused gives way to a named one; a folder refusing a new file to the
    // rewrite in place.
    if (!s.open && call == "open" && once && first && !s.unnamedRefused) return Outcome::goodDay;
    if (!s.open && call == "open" && once && e == EACCES) return Outcome::newInPlace;
    return Outcome::oldGraph;
}

// Every write reaches the disk before the rename, and the rename itself after it.
bool flushedAroundTheRename(const std::vector<std::string>& calls) {
    const auto rename = std::find(calls.begin(), calls.end(), "rename");
    const auto written = std::find(calls.rbegin(), calls.rend(), "write").base();
    return rename == calls.end() || (std::find(written, rename, "fsync") != rename &&
                                     std::find(rename, calls.end(), "fsync") != calls.end());
}

class EveryFailingCall : public GraphFile, public ::testing::WithParamInterface<Scenario> {};

// Each call of the save or open fails in turn with each fault it can meet, once, a few times in
// a row and for good; then the same runs without faults and must do what it does on a good
// day. Each rule is reported once, with the first case that broke it.
TEST_P(EveryFailingCall, LeavesTheOldGraphOrTheNew) {
    const Scenario& s = GetParam();
    const bool switchUser = s.asNobody && kRoot;
    if (!kNobody && (switchUser || s.nobodyOwns)) GTEST_SKIP() << "no user nobody";
    umask(s.umask);
    std::signal(SIGXFSZ, SIG_DFL);  // as the editor starts, whatever this test inherited
    const auto act = [&] {  // the group switched first, while still root, and back the user first
        if (switchUser) { ASSERT_EQ(setegid(kNobody->pw_gid), 0); }
        if (switchUser) { ASSERT_EQ(seteuid(kNobody->pw_uid), 0); }
        s.open ? loadGraph() : saveGraph();
        if (switchUser) { ASSERT_EQ(seteuid(0), 0); }
        if (switchUser) { ASSERT_EQ(setegid(0), 0); }
    };
    const auto result = [&] { return s.open ? graphText() : saved(s.file); };
    std::set<std::string> broken;  // each rule is reported once, with the first case that broke it
    const auto rule = [&](const char* says, bool kept, const std::string& where) {
        if (!kept && broken.insert(says).second) ADD_FAILURE() << says << ": broken first when " << where;
    };
    std::vector<std::string> calls;  // of a save or open without faults
    // One save or open with call `at` failing `times` in a row; none when `times` is 0.
    const auto run = [&](std::size_t at, const Fault& fault, int times) {
        const std::string where = !times ? "no fault" : "call " + std::to_string(at + 1) + " (" + calls[at] +
            ") fails with " + fault.name +
            (times == FAULT_MOST ? " for good" : " " + std::to_string(times) + " times");
        fs::permissions(".", fs::perms::owner_all, fs::perm_options::add);
        for (const fs::path& name : names()) fs::remove_all(name);
        close(0);  // so that the file opened first gets descriptor 0, every time
        s.make();
        for (unsigned n = s.taken[0]; n < s.taken[1]; ++n) {
            put(temporaryName(kGraphFileName, getpid(), n), "");
        }
        const std::string old = s.open ? kExample : saved(s.file);
        const fs::file_type type = fs::symlink_status(kGraphFileName).type();
        const struct stat oldFile = statOf(s.file);  // all 0 where there is none
        std::set<fs::path> before = names();
        before.insert(fs::path(".") / s.file);
        std::tie(objects, edges) = std::tuple(kExampleNodes, kExampleEdges);
        refuseUnnamedFiles(s.unnamedRefused);
        const long files = openFiles();
        // A kill just before call `at`: a graph.txt whole, and at most a whole copy beside it.
        afterAKill = [&] {
            if (s.open) return;  // which changes no file
            const std::string now = saved(s.file);
            std::set<fs::path> beside = before;
            beside.insert(fs::path(".") / (s.file + std::string(".saving")));
            rule("killed, the old graph or the new, and beside it at most a copy as .saving",
                 (now == old || now == s.text || (s.inPlace && s.text.starts_with(now))) &&
                 (s.unnamedRefused || std::ranges::includes(beside, names())), where);
        };
        armFaults(times ? static_cast<int>(at + 1) : 0, fault.error, times);
        act();
        const FaultRecord record = disarmFaults();
        const std::string text = result();
        const Outcome outcome = times ? promised(s, calls, at, fault, times) : Outcome::goodDay;
        const bool cutShort = outcome == Outcome::anyInPlace && (text == old || kExample.starts_with(text));
        rule("the old graph or the new, as promised", outcome == Outcome::oldGraph ? text == old
             : outcome == Outcome::goodDay ? text == s.text : text == kExample || cutShort, where + ": " + text);
        rule("replaced, never rewritten", outcome != Outcome::goodDay || s.open || s.inPlace || old == s.text ||
             statOf(s.file).st_ino != oldFile.st_ino, where);
        rule("the graph on screen kept",
             s.open || (nodeBits() == nodeBits(kExampleNodes) && edges == kExampleEdges), where);
        rule("nothing left beside it", std::ranges::includes(before, names()), where);
        rule("no descriptor left open", openFiles() == files, where);
        rule("never retried for ever", record.injected < FAULT_MOST, where);
        act();
        unreadableFrom(0);
        before.erase(kSaving);
        // Where a good day changes nothing, it leaves what the fault left.
        rule("then it goes as on a good day", result() == (s.text == old ? text : s.text) && names() == before,
             where);
        const uid_t owner = kRoot && s.nobodyOwns ? kNobody->pw_uid : geteuid();
        const mode_t mode = oldFile.st_ino ? oldFile.st_mode & 07777 : 0666 & ~s.umask;
        const bool modeKept = (statOf(s.file).st_mode & 07777) == mode && statOf(s.file).st_uid == owner;
        rule("type, mode and owner kept",
             fs::symlink_status(kGraphFileName).type() == std::max(type, fs::file_type::regular) && (s.open || modeKept),
             where);
        return std::vector<std::string>(record.calls, record.calls + std::min(record.count, FAULT_MOST_CALLS));
    };
    calls = run(0, {}, 0);
    rule("flushed before and after the rename", flushedAroundTheRename(calls), "no fault");
    for (std::size_t at = 0; at < calls.size(); ++at) {
        for (const Fault& fault : kFaults) {
            if (!fault.calls.empty() && !fault.calls.contains(calls[at])) continue;
            for (const int times : fault.times) run(at, fault, times);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(GraphFile, EveryFailingCall, ::testing::ValuesIn(kScenarios),
                         [](const auto& scenario) { return scenario.param.name; });

}  // namespace
