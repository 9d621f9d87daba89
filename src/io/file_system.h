#pragma once

// What saving and opening graph.txt ask of the operating system, written once per system
// (file_system_posix.cpp, file_system_windows.cpp), so that graph_file.cpp holds only the
// rules. Paths use forward slashes.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

enum class PathKind { absent, regularFile, link, other };

struct PathStatus {
    PathKind kind = PathKind::absent;
    std::uint32_t mode = 0;  // permission bits, owner and group where the system has them
    std::uint32_t owner = 0;
    std::uint32_t group = 0;
};

// What `path` itself is, a link not followed. Empty when the system could not tell: only
// "no such file" says a path is absent, never a passing error.
std::optional<PathStatus> lookAt(const std::string& path);

// The text of the link at `path`, or empty when it cannot be read.
std::optional<std::string> readLink(const std::string& path);

// Whether this process may write the existing file at `path`.
bool mayWrite(const std::string& path);

enum class SaveOutcome { saved, failed, directoryTakesNoNewFile };

// Writes `bytes` to a new file beside `target`, with the permissions and owner of the
// file `existing` describes (a fresh file's if it is absent), forces it to disk, and only
// then puts it in the place of `target` in one step. A failure leaves `target` untouched
// and no new file behind.
SaveOutcome replaceFile(const std::string& target, const PathStatus& existing, std::string_view bytes);

// Rewrites `target` where it stands: a failure part-way leaves it cut short. Nothing
// comes after it that a failure would change.
void rewriteInPlace(const std::string& target, std::string_view bytes);

// A file opened for reading, closed when this goes. Opening never waits, even on a FIFO.
class InputFile {
public:
    explicit InputFile(const char* path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Whether the file opened and is a regular file: anything else may never end.
    bool isRegularFile() const;
    // Up to `size` bytes into `buffer`: how many, 0 at the end of the file, -1 on an error.
    std::ptrdiff_t read(char* buffer, std::size_t size);

private:
    int fd_ = -1;
};

// A system call interrupted by a signal, or a write that writes nothing, is tried again,
// but only so often: one that stalls every time must end as a failure, not hang the editor.
inline constexpr int kMostAttempts = 8;

// Writes all of `bytes` through `writeSome`, which writes a first part of what it is given
// and says how much: 0 when it wrote nothing (interrupted, say), below 0 on an error.
template <typename WriteSome>
bool writeInFull(std::string_view bytes, WriteSome writeSome) {
    for (int stalls = 0; !bytes.empty();) {
        const std::ptrdiff_t written = writeSome(bytes);
        if (written < 0) return false;
        if (written > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(written));
        } else if (++stalls == kMostAttempts) {
            return false;
        }
    }
    return true;
}

// The directory part of `path` with its final slash, or "" for a name with no directory.
inline std::string directoryOf(const std::string& path) {
    return path.substr(0, path.rfind('/') + 1);  // npos + 1 is 0
}

// A name for a new file beside `target` while it is written, as "graph.txt.<process>.<n>":
// unique within the process by `attempt`, and by `process` against other editors there.
// Names that editors killed long ago left are passed over, this many at most.
inline constexpr unsigned kMostNames = 100;
inline std::string temporaryName(const std::string& target, unsigned long process, unsigned attempt) {
    return target + '.' + std::to_string(process) + '.' + std::to_string(attempt);
}
