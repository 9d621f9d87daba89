// Saving and opening on POSIX systems: through links, onto FIFOs and devices, as another
// user, while every call of a save or an open fails in turn, and while saves are killed at
// random moments.
//
// What the README says of graph.txt, and what holds it here. EveryFailingCall/<scenario>
// checks every rule quoted below after each fault of each call.
//   the old graph or the new, whole; a failed save leaves the old one byte for byte; a read
//     error keeps the graph on screen: "the old graph or the new, whole; the old one after a
//     failure"; written beside it and renamed over it: "replaced, never rewritten"
//   flushed to disk and only then renamed: "flushed before and after the rename"
//   a failed save leaves nothing behind, a killed one at most a whole graph.txt.saving that
//     the next save replaces: "nothing left beside it", "then it goes as on a good day, and
//     leaves nothing beside it", scenario save_over_a_copy_a_killed_save_left,
//     AKilledSaveLeavesOneWholeGraphAndNothingBesideIt
//   graph.txt.<process>.<n> where no unnamed file can be made: scenario
//     save_where_unnamed_files_are_refused, ASaveTriesAHundredNamesForItsTemporary
//   a directory, FIFO or device, or a file you may not write, is left alone, nothing made:
//     scenarios save_onto_a_FIFO, save_onto_a_write_protected_file
//   only "no such file" is absent: every failing lstat and readlink, in every save scenario
//   a full disk, a quota, an I/O error, a file size limit: faults EIO and EFBIG (SIGXFSZ
//     raised), at every call
//   interrupted calls retried a few times, never for ever, nor a write that writes nothing:
//     faults EINTR and writes of nothing 7 and 8 times in a row and for good, "retried a
//     few times, never for ever"
//   mode, and saving as root owner, kept; a new file's mode from the umask: "type, mode and
//     owner kept", scenarios save_as_root_onto_nobodys_file, save_with_no_graph_txt
//   through a link the file it points to written, created if need be, the link kept: the
//     scenarios save_through_...
//   rewritten in place where no new file may be made: scenario save_in_place
//   no regular file, never waited on: scenarios open_a_FIFO_with_no_writer,
//     open_a_link_to_dev_zero
//   reading stops at the first unreadable value, memory follows what is loaded:
//     AHugeFileOfJunkCostsWhatItLoads (and the fuzz target's memory limit)
// And no descriptor is left open, even by a failed call: "no descriptor left open".

#include "fault_shim.h"
#include "io/file_system.h"
#include "io/graph_text.h"
#include "io_support.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <map>
#include <new>

#include <pwd.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// Bytes asked of operator new while `counting`: a request past the budget is refused, so
// that a reader trusting a count fails here rather than taking the machine's memory.
static bool counting = false;
static std::size_t allocated = 0;
constexpr std::size_t kBudget = std::size_t{1} << 20;
void* operator new(std::size_t size) {
    void* const block = counting && (allocated += size) > kBudget ? nullptr : std::malloc(size ? size : 1);
    return block ? block : throw std::bad_alloc();
}
// Not inlined, so that the compiler does not see new's pointer handed to free.
[[gnu::noinline]] void operator delete(void* block) noexcept { std::free(block); }
[[gnu::noinline]] void operator delete(void* block, std::size_t) noexcept { std::free(block); }

namespace {

using fs::perms;
const std::string kOldText = "1\n0.5 0.25\n0\n";
// Longer than the new text, so that a rewrite in place shows whether it truncates.
const std::string kLongOldText = kOldText + std::string(64, ' ');
const fs::path kSaving = fs::path(".") / "graph.txt.saving";
const bool kRoot = geteuid() == 0;
const passwd* const kNobody = getpwnam("nobody");

struct stat statOf(const fs::path& path) { struct stat info{}; return stat(path.c_str(), &info), info; }
long openFiles() { return std::distance(fs::directory_iterator("/proc/self/fd"), {}); }

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

// A save or an open from the example graph in memory and what `make` puts in a fresh
// directory, and what it leaves on a good day. graph.txt keeps its type, and the file a
// save writes its mode, or gets 0640 if it is new (umask 026).
struct Scenario {
    const char* name;
    std::function<void()> make = [] { withOld(kGraphFileName, perms(0640)); };
    bool open = false, unnamedRefused = false, asNobody = false, inPlace = false;
    const char* file = kGraphFileName;  // the file a save writes
    std::string text = kExample;        // what it holds after a save; for an open, the graph after it
    bool nobodyOwns = false;            // the file after a save, when root runs the tests
};
void PrintTo(const Scenario& scenario, std::ostream* out) { *out << scenario.name; }

const Scenario kScenarios[] = {
    {.name = "save"},
    // As many links as the kernel follows, and one more, which it would take for a loop.
    {.name = "save_through_links", .make = chainOf(40), .file = "kept"},
    {.name = "save_through_too_many_links", .make = chainOf(41), .file = "kept", .text = kOldText},
    {.name = "save_through_a_link_to_no_file_yet", .make = [] { fs::create_symlink("kept", kGraphFileName); }, .file = "kept"},
    {.name = "save_with_no_graph_txt", .make = [] {}},
    // Beside a temporary that an editor which had this process id left: its name is passed over.
    {.name = "save_where_unnamed_files_are_refused",
     .make = [] { withOld(kGraphFileName, perms(0640)); put(temporaryName(kGraphFileName, getpid(), 0), ""); }, .unnamedRefused = true},
    // A graph of its own, which must never take the place of graph.txt.
    {.name = "save_over_a_copy_a_killed_save_left", .make = [] { withOld(kGraphFileName, perms(0640)); put(kSaving, "0\n0\n"); }},
    {.name = "save_onto_a_FIFO", .make = [] { mkfifo(kGraphFileName, 0644); }, .text = ""},
    // A directory that takes no new file, not even from root when the save runs as nobody.
    // There a failure part-way may leave the file cut short.
    {.name = "save_in_place", .make = [] { withOld(kGraphFileName, perms(0666), kLongOldText, kRoot ? 0755 : 0555); },
     .asNobody = true, .inPlace = true},
    // Root's file, which nobody may write but not give away: the save stays nobody's.
    {.name = "save_onto_another_users_file", .make = [] { withOld(kGraphFileName, perms(0666), kOldText, 0777); },
     .asNobody = true, .nobodyOwns = true},
    {.name = "save_as_root_onto_nobodys_file",
     .make = [] { withOld(kGraphFileName, perms(0640)); (void)chown(kGraphFileName, kNobody->pw_uid, kNobody->pw_gid); }, .nobodyOwns = true},
    {.name = "save_onto_a_write_protected_file", .make = [] { withOld(kGraphFileName, perms(0444), kOldText, 0777); },
     .asNobody = true, .text = kOldText},
    // The "e" of its last coordinate is the last byte of the first read chunk, and the
    // second read brings the one byte left: failing, it would cut the number short.
    {.name = "open", .make = [] { put(kGraphFileName, "1\n0.5" + std::string(65527, ' ') + "2.5e1"); }, .open = true,
     .text = "1\n0.5 25\n0\n"},
    {.name = "open_a_FIFO_with_no_writer", .make = [] { mkfifo(kGraphFileName, 0644); }, .open = true},
    {.name = "open_a_link_to_dev_zero", .make = [] { fs::create_symlink("/dev/zero", kGraphFileName); }, .open = true},
};

// A fault, `times` in a row, at each call it can meet: every call when none is named.
struct Fault { const char* name; int error; std::vector<int> times = {1, FAULT_MOST}; std::set<std::string> calls = {}; };
// The code tells apart no error but EACCES, EINTR, EEXIST and ENOENT: EIO stands for a full
// disk, a quota and any other.
const Fault kFaults[] = {
    {"EIO", EIO}, {"EACCES", EACCES}, {"EINTR", EINTR}, {"EINTR", EINTR, {7, 8}, {"read", "write"}},
    {"a short read or write", FAULT_SHORT, {1, FAULT_MOST}, {"read", "write"}},
    {"a write of nothing", FAULT_EMPTY, {1, 7, 8, FAULT_MOST}, {"write"}},
    {"EFBIG past the file size limit", FAULT_FILE_TOO_BIG, {1, FAULT_MOST}, {"write"}},
    {"a read of one byte", FAULT_ONE_BYTE, {1}, {"read"}}, {"a link with no text", FAULT_EMPTY, {1}, {"readlink"}},
    {"its name taken by another save", FAULT_NAME_TAKEN, {1, 2}, {"linkat"}},
};

// Whether `call` takes the fault in stride, so that the save or open goes through all the
// same: seven interruptions or stalled writes in a row but not eight, reads that bring less
// than asked, half a write once (halving for good ends in writes of nothing), and the
// name another save took, once, at the first link (the one try left after it).
bool inStride(const std::string& call, bool first, const Fault& fault, int times) {
    const int e = fault.error;
    return (times < 8 && ((e == EINTR && (call == "read" || call == "write")) || (e == FAULT_EMPTY && call == "write"))) ||
           (e == FAULT_SHORT && (call == "read" || times == 1)) || e == FAULT_ONE_BYTE || (e == FAULT_NAME_TAKEN && first && times == 1);
}

// Every write reaches the disk before the rename, and the rename itself after it.
bool flushedAroundTheRename(const std::vector<std::string>& calls) {
    const auto rename = std::find(calls.begin(), calls.end(), "rename"), written = std::find(calls.rbegin(), calls.rend(), "write").base();
    return rename == calls.end() || (std::find(written, rename, "fsync") != rename && std::find(rename, calls.end(), "fsync") != calls.end());
}

class EveryFailingCall : public GraphFile, public ::testing::WithParamInterface<Scenario> {};

// Each call of the save or open fails in turn with each fault it can meet, once, a few
// times in a row and for good; then the same runs without faults and must do what it
// does on a good day. Each rule is reported once, with how often it broke and the first
// case: a planted fault reads as a handful of failures.
TEST_P(EveryFailingCall, LeavesTheOldGraphOrTheNew) {
    const Scenario& s = GetParam();
    const bool switchUser = s.asNobody && kRoot;
    if (!kNobody && (switchUser || s.nobodyOwns)) GTEST_SKIP() << "no user nobody";
    umask(026);
    std::signal(SIGXFSZ, SIG_DFL);  // as the editor starts, whatever this test inherited
    const auto act = [&] {
        EXPECT_EQ(switchUser ? setegid(kNobody->pw_gid) | seteuid(kNobody->pw_uid) : 0, 0);
        s.open ? loadGraph() : saveGraph();
        EXPECT_EQ(switchUser ? seteuid(0) | setegid(0) : 0, 0);
    };
    const auto result = [&] { return s.open ? graphText() : saved(s.file); };
    std::map<std::string, std::pair<int, std::string>> broken;  // by rule: how often, and the first case
    const auto rule = [&](const char* says, bool kept, const std::string& where) {
        if (!kept && broken[says].first++ == 0) broken[says].second = where;
    };
    std::vector<std::string> calls;  // of a save or open without faults
    // One save or open with call `failAt` failing `times` in a row (0: none).
    const auto run = [&](int failAt, const Fault& fault, int times) {
        const std::string call = failAt ? calls[failAt - 1] : "";
        const bool first = std::find(calls.begin(), calls.end(), call) - calls.begin() == failAt - 1;
        const bool stride = !failAt || inStride(call, first, fault, times);
        const std::string where = failAt ? "call " + std::to_string(failAt) + " (" + call + ") fails with " + fault.name +
            (times == 1 ? " once" : times == FAULT_MOST ? " for good" : " " + std::to_string(times) + " times") : "no fault";
        fs::permissions(".", perms::owner_all, fs::perm_options::add);
        for (const fs::path& name : names()) fs::remove_all(name);
        close(0);  // so that the file opened first gets descriptor 0, every time
        s.make();
        const std::string old = s.open ? kExample : saved(s.file);
        const fs::file_type type = fs::symlink_status(kGraphFileName).type();
        const struct stat oldFile = statOf(s.file);  // all 0 where there is none
        std::set<fs::path> before = names();
        before.insert(fs::path(".") / s.file);
        std::tie(objects, edges) = std::tuple(kExampleNodes, kExampleEdges);
        refuseUnnamedFiles(s.unnamedRefused);
        const long files = openFiles();
        armFaults(failAt, fault.error, times);
        act();
        const FaultRecord record = disarmFaults();
        const std::string text = result();
        const std::set<fs::path> left = names();
        // The old graph if a call before the rename, or a read, failed. An unnamed file refused
        // gives way to a named one, a directory that takes no new one to a rewrite in place,
        // which may cut graph.txt short; and only in place is graph.txt rewritten, not replaced.
        const auto settled = std::find(calls.begin(), calls.end(), s.open ? "close" : "rename") - calls.begin() + !s.open;
        const bool failed = !stride && !s.inPlace && failAt <= settled && !(call == "open" && (first || fault.error == EACCES));
        rule("the old graph or the new, whole; the old one after a failure", failed ? text == old : text == s.text ||
             (!stride && (text == old || (s.inPlace && s.text.starts_with(text)))), where + ": " + text);
        rule("replaced, never rewritten", s.open || s.inPlace || fault.error == EACCES || text == old ||
             statOf(s.file).st_ino != oldFile.st_ino, where);
        rule("nothing left beside it", std::includes(before.begin(), before.end(), left.begin(), left.end()), where);
        rule("no descriptor left open", openFiles() == files, where);
        rule("retried a few times, never for ever", record.injected < FAULT_MOST, where);
        act();
        before.erase(kSaving);
        rule("then it goes as on a good day, and leaves nothing beside it", result() == s.text && names() == before, where);
        const uid_t owner = kRoot && s.nobodyOwns ? kNobody->pw_uid : geteuid();
        rule("type, mode and owner kept", fs::symlink_status(kGraphFileName).type() == std::max(type, fs::file_type::regular) &&
             (s.open || ((statOf(s.file).st_mode & 07777) == (oldFile.st_ino ? oldFile.st_mode & 07777 : 0640) &&
                         statOf(s.file).st_uid == owner)), where);
        return std::vector<std::string>(record.calls, record.calls + record.count);
    };
    calls = run(0, {}, 0);
    rule("flushed before and after the rename", flushedAroundTheRename(calls), "no fault");
    for (std::size_t call = 0; call < calls.size(); ++call) {
        for (const Fault& fault : kFaults) {
            if (!fault.calls.empty() && !fault.calls.contains(calls[call])) continue;
            for (const int times : fault.times) run(static_cast<int>(call + 1), fault, times);
        }
    }
    for (const auto& [says, count] : broken) ADD_FAILURE() << says << ": broken " << count.first << " times, first when " << count.second;
}

INSTANTIATE_TEST_SUITE_P(GraphFile, EveryFailingCall, ::testing::ValuesIn(kScenarios), [](const auto& scenario) { return scenario.param.name; });

// Where unnamed files are refused, a save passes over the names that editors killed long
// ago left, from the first, a hundred at most.
TEST_F(GraphFile, ASaveTriesAHundredNamesForItsTemporary) {
    refuseUnnamedFiles(1);
    for (unsigned n = 1; n < 100; ++n) put(temporaryName(kGraphFileName, getpid(), n), "");
    saveGraph();
    EXPECT_EQ(saved(), kExample) << "the first name was free";
    put(temporaryName(kGraphFileName, getpid(), 0), "");
    clearGraph();
    saveGraph();
    refuseUnnamedFiles(0);
    EXPECT_EQ(std::tuple(saved(), names().size()), std::tuple(kExample, 101u)) << "every name taken: the save gives up";
}

// A file that claims four billion nodes and holds one, in 128 MiB of nothing (sparse):
// opening it reads one chunk and asks for little memory, whatever the file claims.
TEST_F(GraphFile, AHugeFileOfJunkCostsWhatItLoads) {
    put(kGraphFileName, "4294967295\n0.5 0.25\n");
    fs::resize_file(kGraphFileName, std::uintmax_t{128} << 20);
    std::tie(counting, allocated) = std::tuple(true, 0);
    armFaults(0, 0, 0);
    try { loadGraph(); } catch (const std::bad_alloc&) {}  // what a reader that trusts the count meets
    const FaultRecord record = disarmFaults();
    counting = false;
    EXPECT_LE(allocated, kBudget) << "bytes asked for";
    EXPECT_EQ(std::count(record.calls, record.calls + record.count, std::string("read")), 1) << "reads";
    EXPECT_EQ(nodeBits(), nodeBits({{{0.5f, 0.25f}, {}}}));
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
        if (child == 0) prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlives the test, even one timed out
        for (int i = 0; child == 0; i ^= 1) loadGraphText(texts[i]), saveGraph();
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
