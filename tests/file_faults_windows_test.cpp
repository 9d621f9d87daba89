// Saving on Windows, where a file held open is not replaced, and while a call to the system
// fails: graph.txt keeps the old graph or takes the new one whole, and nothing is left
// beside it. The program calls Windows through the slots of its import table: a row points
// a slot at a stand-in, and the test puts the real function back.
//
// What the README says of saving on Windows, and the rows that hold it: a save that fails
// (the flush, the close) leaves the old graph byte for byte and nothing beside it; a file
// held open or write-protected is left alone; a passing error never makes graph.txt look
// absent; where no new file may be made it is rewritten in place; a temporary's name passes
// over those taken, a hundred at most; the new file is flushed and moved over graph.txt, no
// one reading it meanwhile ("a reader tries the new file"). ADeviceIsNoRegularFile: a
// graph.txt that is a device is not read.

#include "io/file_system.h"
#include "support.h"

#include <windows.h>

extern "C" decltype(&GetFileAttributesW) __imp_GetFileAttributesW;
extern "C" decltype(&CreateFileW) __imp_CreateFileW;
extern "C" decltype(&FlushFileBuffers) __imp_FlushFileBuffers;
extern "C" decltype(&CloseHandle) __imp_CloseHandle;

const auto realCalls = std::tuple(__imp_GetFileAttributesW, __imp_CreateFileW, __imp_FlushFileBuffers, __imp_CloseHandle);
const std::string kOld = "0\n0\n", kTaken = temporaryName(kGraphFileName, GetCurrentProcessId(), 0);
static std::ifstream reader;

// Stand-ins that fail as Windows does, with an error to read. A failed close still closes.
static DWORD WINAPI lookFails(LPCWSTR) { return SetLastError(ERROR_SHARING_VIOLATION), INVALID_FILE_ATTRIBUTES; }
static BOOL WINAPI closeFails(HANDLE file) { return std::get<3>(realCalls)(file), SetLastError(ERROR_IO_DEVICE), FALSE; }
// An indexer, say, that opens the new file while it is written and holds it: refused, or
// the move over graph.txt would be.
static HANDLE intruder = INVALID_HANDLE_VALUE;
static BOOL WINAPI flushBesideAReader(HANDLE file) {
    intruder = CreateFileA(kTaken.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    return std::get<2>(realCalls)(file);
}
// Where no new file may be made: the first create fails, and the real function is back.
static HANDLE WINAPI firstCreateFails(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE) {
    __imp_CreateFileW = std::get<1>(realCalls);
    return SetLastError(ERROR_ACCESS_DENIED), INVALID_HANDLE_VALUE;
}

TEST_F(GraphFile, SavingLeavesTheOldGraphOrTheNewAndNothingBesideIt) {
    // Names [taken[0], taken[1]) taken, as editors with this process id left them: a hundred
    // names are tried, from the first.
    const struct { const char* name; void (*make)() = [] {}; std::string text = kOld; unsigned taken[2] = {}; } rows[] = {
        {.name = "no graph.txt", .make = [] { fs::remove(kGraphFileName); }, .text = kExample},
        {.name = "a temporary's first name taken", .text = kExample, .taken = {0, 1}},
        {.name = "every name but the first taken", .text = kExample, .taken = {1, 100}},
        {.name = "every name taken", .taken = {0, 100}},
        {.name = "a reader tries the new file", .make = [] { __imp_FlushFileBuffers = flushBesideAReader; }, .text = kExample},
        {.name = "graph.txt held open by a reader", .make = [] { reader.open(kGraphFileName); }},
        {.name = "graph.txt write-protected", .make = [] { fs::permissions(kGraphFileName, fs::perms(0444)); }},
        // A passing error must not make graph.txt look absent: the save would replace it unseen.
        {.name = "graph.txt cannot be looked at", .make = [] { __imp_GetFileAttributesW = lookFails; }},
        // Where no new file may be made, graph.txt is rewritten where it stands.
        {.name = "the directory takes no new file", .make = [] { __imp_CreateFileW = firstCreateFails; }, .text = kExample},
        {.name = "the flush fails", .make = [] { __imp_FlushFileBuffers = [](HANDLE) { return SetLastError(ERROR_DISK_FULL), FALSE; }; }},
        {.name = "the close fails", .make = [] { __imp_CloseHandle = closeFails; }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        for (const fs::path& name : names()) fs::remove(name);
        put(kGraphFileName, kOld);
        for (unsigned n = row.taken[0]; n < row.taken[1]; ++n) put(temporaryName(kGraphFileName, GetCurrentProcessId(), n), "");
        const std::set<fs::path> before = names();
        row.make();
        saveGraph();
        std::tie(__imp_GetFileAttributesW, __imp_CreateFileW, __imp_FlushFileBuffers, __imp_CloseHandle) = realCalls;
        reader.close();
        if (intruder != INVALID_HANDLE_VALUE) CloseHandle(std::exchange(intruder, INVALID_HANDLE_VALUE));
        EXPECT_EQ(saved(), row.text);
        EXPECT_EQ(names(), before) << "a file left beside it";
        fs::permissions(kGraphFileName, fs::perms::owner_write, fs::perm_options::add);  // so that it can go
    }
}

// A device opens, but holds no graph: a graph.txt that links to one is left alone.
TEST(InputFile, ADeviceIsNoRegularFile) { EXPECT_FALSE(InputFile("NUL").isRegularFile()); }
