// Saving and opening on POSIX systems: through links, onto FIFOs and devices, as another
// user, while every call of a save or an open fails in turn, and while saves are killed at
// random moments.
//
// What the README promises of graph.txt, and where it is held (EveryFailingCall/<scenario>
// checks each rule named here after every fault):
//   the old graph or the new, whole; a failed save leaves the old one byte for byte,
//     a read error keeps the graph on screen          rules "the old graph or the new, whole",
//                                                    "a read error keeps the graph on screen"
//   written, flushed and only then renamed             rule "flushed before and after the rename"
//   nothing left behind by a failed save; a killed one leaves at most a whole
//     graph.txt.saving, which the next save replaces   rule "nothing left beside it",
//                                                    AKilledSaveLeavesOneWholeGraphAndNothingBesideIt
//   graph.txt.<process>.<n> where no unnamed file can be made   scenario unnamed_files_refused,
//                                                    ASaveTriesAHundredNamesForItsTemporary
//   no directory, FIFO or device replaced, no write-protected file written    scenarios on a FIFO,
//                                                    write_protected
//   only "no such file" is absent                      every failing lstat and readlink
//   interrupted calls retried a few times, never for ever   faults EINTR 7 and 8 times, for good;
//                                                    rule "retried a few times, never for ever"
//   mode and owner kept, the link stays a link, written through   rule "type, mode and owner
//                                                    kept", scenarios through links
//   rewritten in place where no new file may be made  scenario in_place
//   a file that is no regular file is not opened, never waited on   scenarios open_a_FIFO,
//                                                    open_a_link_to_dev_zero
//   reading stops at the first unreadable value; memory follows what is loaded
//                                                    AHugeFileOfJunkCostsWhatItLoads
// A descriptor is never left open, even by a failed call: rule "no descriptor left open".

#include "fault_shim.h"
#include "io/file_system.h"
#include "io/graph_text.h"
#include "io_support.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <map>
#include <new>

#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// Bytes asked of operator new while `counting`: a request past the budget is refused, so
// that a reader trusting a count fails here rather than taking the machine's memory.
namespace {
bool counting = false;
std::size_t allocated = 0;
constexpr std::size_t kBudget = std::size_t{1} << 20;
}  // namespace
void* operator new(std::size_t size) {
    if (counting && (allocated += size) > kBudget) throw std::bad_alloc();
    if (void* block = std::malloc(size ? size : 1)) return block;
    throw std::bad_alloc();
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

struct stat statOf(const fs::path& path) {
    struct stat info{};
    return stat(path.c_str(), &info), info;
}
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
// directory, and what it leaves on a good day.
struct Scenario {
    const char* name;
    std::function<void()> make = [] { withOld(kGraphFileName, perms(0640)); };
    bool open = false, unnamedRefused = false, asNobody = false, inPlace = false;
    const char* file = kGraphFileName;  // the file a save writes
    std::string old = kOldText;         // what it holds before
    std::string text = kExample;        // what it holds after a save; for an open, the graph after it
    fs::file_type type = fs::file_type::regular;  // graph.txt after it
    perms mode = perms(0640);                     // the file after a save (umask 026)
    bool nobodyOwns = false;                      // the file after a save, when root runs the tests
};

void PrintTo(const Scenario& scenario, std::ostream* out) { *out << scenario.name; }

const Scenario kScenarios[] = {
    {.name = "save"},
    // As many links as the kernel follows, and one more, which it would take for a loop.
    {.name = "save through links", .make = chainOf(40), .file = "kept", .type = fs::file_type::symlink, .mode = perms(0604)},
    {.name = "save through too many links", .make = chainOf(41), .file = "kept", .text = kOldText,
     .type = fs::file_type::symlink, .mode = perms(0604)},
    {.name = "save through a link to no file yet", .make = [] { fs::create_symlink("kept", kGraphFileName); }, .file = "kept",
     .old = "", .type = fs::file_type::symlink},
    {.name = "save with no graph.txt", .make = [] {}, .old = ""},
    // Beside a temporary that an editor which had this process id left: its name is passed over.
    {.name = "save where unnamed files are refused",
     .make = [] { withOld(kGraphFileName, perms(0640)); put(temporaryName(kGraphFileName, getpid(), 0), ""); },
     .unnamedRefused = true},
    // A graph of its own, which must never take the place of graph.txt.
    {.name = "save over a copy a killed save left", .make = [] { withOld(kGraphFileName, perms(0640)); put(kSaving, "0\n0\n"); }},
    {.name = "save onto a FIFO", .make = [] { mkfifo(kGraphFileName, 0644); }, .old = "", .text = "", .type = fs::file_type::fifo},
    // A directory that takes no new file, not even from root when the save runs as nobody.
    // There a failure part-way may leave the file cut short.
    {.name = "save in place", .make = [] { withOld(kGraphFileName, perms(0666), kLongOldText, kRoot ? 0755 : 0555); },
     .asNobody = true, .inPlace = true, .old = kLongOldText, .mode = perms(0666)},
    // Root's file, which nobody may write but not give away: the save stays nobody's.
    {.name = "save onto another user's file", .make = [] { withOld(kGraphFileName, perms(0666), kOldText, 0777); },
     .asNobody = true, .mode = perms(0666), .nobodyOwns = true},
    {.name = "save as root onto nobody's file",
     .make = [] { withOld(kGraphFileName, perms(0640)); (void)chown(kGraphFileName, kNobody->pw_uid, kNobody->pw_gid); },
     .nobodyOwns = true},
    {.name = "save onto a write-protected file", .make = [] { withOld(kGraphFileName, perms(0444), kOldText, 0777); },
     .asNobody = true, .text = kOldText, .mode = perms(0444)},
    // The "e" of its last coordinate is the last byte of the first read chunk, and the
    // second read brings the one byte left: failing, it would cut the number short.
    {.name = "open", .make = [] { put(kGraphFileName, "1\n0.5" + std::string(65527, ' ') + "2.5e1"); },
     .open = true, .text = "1\n0.5 25\n0\n"},
    {.name = "open a FIFO with no writer", .make = [] { mkfifo(kGraphFileName, 0644); }, .open = true,
     .type = fs::file_type::fifo},
    {.name = "open a link to /dev/zero", .make = [] { fs::create_symlink("/dev/zero", kGraphFileName); }, .open = true,
     .type = fs::file_type::symlink},
};

// A fault, `times` in a row, at each call it can meet: every call when none is named.
struct Fault {
    const char* name;
    int error;
    std::vector<int> times = {1, FAULT_MOST};
    std::set<std::string> calls = {};
};
const std::set<std::string> kTakingSpace = {"open", "write", "fsync", "close", "linkat", "rename", "fchown"};
const Fault kFaults[] = {
    {"ENOSPC", ENOSPC, {1, FAULT_MOST}, kTakingSpace}, {"EDQUOT", EDQUOT, {1, FAULT_MOST}, kTakingSpace}, {"EIO", EIO},
    {"EACCES", EACCES}, {"EINTR", EINTR}, {"EINTR", EINTR, {7, 8}, {"read", "write"}},
    {"a short read or write", FAULT_SHORT, {1, FAULT_MOST}, {"read", "write"}},
    {"a write of nothing", FAULT_EMPTY, {1, 7, 8, FAULT_MOST}, {"write"}},
    {"EFBIG past the file size limit", FAULT_FILE_TOO_BIG, {1, FAULT_MOST}, {"write"}},
    {"a read of one byte", FAULT_ONE_BYTE, {1}, {"read"}},
    {"a link with no text", FAULT_EMPTY, {1}, {"readlink"}},
    {"its name taken by another save", FAULT_NAME_TAKEN, {1, 2}, {"linkat"}},
};

// Whether `call` takes the fault in stride, so that the save or open goes through all the
// same: seven interruptions or stalled writes in a row but not eight, reads that bring less
// than asked, half a write once (halving for good ends in writes of nothing), and the
// name another save took, once, at the first link (the one try left after it).
bool inStride(const std::string& call, bool first, const Fault& fault, int times) {
    switch (fault.error) {
        case EINTR: return (call == "read" || call == "write") && times < 8;
        case FAULT_EMPTY: return call == "write" && times < 8;
        case FAULT_SHORT: return call == "read" || times == 1;
        case FAULT_ONE_BYTE: return true;
        case FAULT_NAME_TAKEN: return first && times == 1;
        default: return false;
    }
}

// Every write reaches the disk before the rename, and the rename itself after it.
bool flushedAroundTheRename(const std::vector<std::string>& calls) {
    const auto rename = std::find(calls.begin(), calls.end(), "rename");
    const auto written = std::find(calls.rbegin(), calls.rend(), "write").base();  // past the last write
    return rename == calls.end() ||
           (std::find(written, rename, "fsync") != rename && std::find(rename, calls.end(), "fsync") != calls.end());
}

// The rules each save or open keeps, reported once each with how many cases broke them and
// the first: a planted fault reads as a handful of failures.
class Rules {
public:
    void check(const char* rule, bool kept, const std::string& where) {
        auto& [count, first] = broken_[rule];
        if (!kept && count++ == 0) first = where;
    }
    ~Rules() {
        for (const auto& [rule, broken] : broken_) {
            if (broken.first) ADD_FAILURE() << rule << ": broken " << broken.first << " times, first when " << broken.second;
        }
    }

private:
    std::map<std::string, std::pair<int, std::string>> broken_;
};

class EveryFailingCall : public GraphFile, public ::testing::WithParamInterface<Scenario> {};

// Each call of the save or open fails in turn with each fault it can meet, once, a few
// times in a row and for good; then the same runs without faults and must do what it
// does on a good day.
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
    const std::string old = s.open ? kExample : s.old;
    Rules rules;
    std::vector<std::string> calls;  // of a save or open without faults
    std::size_t settled = 0;         // the calls that come after the rename, or the open's close
    // One save or open with call `failAt` failing `times` in a row (0: none), checked by every rule.
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
        const ino_t oldInode = statOf(s.file).st_ino;
        std::set<fs::path> before = names();
        before.insert(fs::path(".") / s.file);
        std::tie(objects, edges) = std::tuple(kExampleNodes, kExampleEdges);
        refuseUnnamedFiles(s.unnamedRefused);
        const long files = openFiles();
        armFaults(failAt, fault.error, times);
        act();
        const FaultRecord record = disarmFaults();
        const std::string text = result();
        rules.check("the old graph or the new, whole", text == s.text || (!stride && (text == old ||
                    (s.inPlace && s.text.starts_with(text)))), where + ": " + text);
        // An unnamed file refused gives way to a named one, and a directory that takes no new
        // file to a rewrite in place.
        rules.check("a failure before the rename, or a failed read, leaves the old graph", stride || s.inPlace ||
                    static_cast<std::size_t>(failAt) > settled || (call == "open" && (first || fault.error == EACCES)) ||
                    text == old, where);
        const std::set<fs::path> left = names();
        rules.check("nothing left beside it", std::includes(before.begin(), before.end(), left.begin(), left.end()), where);
        // Only in place is graph.txt rewritten; anywhere else a new file takes its place.
        rules.check("replaced, never rewritten", s.open || s.inPlace || fault.error == EACCES || text == old ||
                    statOf(s.file).st_ino != oldInode, where);
        rules.check("no descriptor left open", openFiles() == files, where);
        rules.check("retried a few times, never for ever", record.injected < FAULT_MOST, where);
        act();
        rules.check("then it goes as on a good day", result() == s.text, where);
        before.erase(kSaving);
        rules.check("nothing left beside it", names() == before, where + ", then without faults");
        const uid_t owner = kRoot && s.nobodyOwns ? kNobody->pw_uid : geteuid();
        rules.check("type, mode and owner kept", fs::symlink_status(kGraphFileName).type() == s.type &&
                    (s.open || (fs::status(s.file).permissions() == s.mode && statOf(s.file).st_uid == owner)), where);
        return std::vector<std::string>(record.calls, record.calls + record.count);
    };
    calls = run(0, {}, 0);
    rules.check("flushed before and after the rename", flushedAroundTheRename(calls), "no fault");
    const auto rename = std::find(calls.begin(), calls.end(), "rename");
    settled = s.open ? std::find(calls.begin(), calls.end(), "close") - calls.begin() : rename - calls.begin() + 1;
    for (std::size_t call = 0; call < calls.size(); ++call) {
        for (const Fault& fault : kFaults) {
            if (!fault.calls.empty() && !fault.calls.contains(calls[call])) continue;
            for (const int times : fault.times) run(static_cast<int>(call + 1), fault, times);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(GraphFile, EveryFailingCall, ::testing::ValuesIn(kScenarios), [](const auto& scenario) {
    std::string name;
    for (const char c : std::string(scenario.param.name)) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
});

// Where unnamed files are refused, a save passes over the names editors killed long ago
// left, from the first, a hundred at most.
TEST_F(GraphFile, ASaveTriesAHundredNamesForItsTemporary) {
    for (const unsigned firstTaken : {1u, 0u}) {
        SCOPED_TRACE(firstTaken ? "the first name free" : "every name taken");
        for (const fs::path& name : names()) fs::remove(name);
        for (unsigned n = firstTaken; n < 100; ++n) put(temporaryName(kGraphFileName, getpid(), n), "");
        const std::set<fs::path> before = names();
        refuseUnnamedFiles(1);
        saveGraph();
        refuseUnnamedFiles(0);
        EXPECT_EQ(saved(), firstTaken ? kExample : "");
        EXPECT_EQ(names().size(), before.size() + firstTaken) << "nothing but graph.txt beside them";
    }
}

// A file that claims four billion nodes and holds one, in a gigabyte of nothing (sparse):
// opening it reads one chunk and asks for little memory, whatever the file claims.
TEST_F(GraphFile, AHugeFileOfJunkCostsWhatItLoads) {
    put(kGraphFileName, "4294967295\n0.5 0.25\n");
    fs::resize_file(kGraphFileName, std::uintmax_t{1} << 30);
    std::tie(counting, allocated) = std::tuple(true, 0);
    armFaults(0, 0, 0);
    try {
        loadGraph();
    } catch (const std::bad_alloc&) {
    }
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
