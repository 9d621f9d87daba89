#include "io/file_system.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A new file gets what a plain fopen for writing would give it, less the umask.
constexpr mode_t kNewFileMode = 0666;
constexpr mode_t kPermissionBits = 07777;
// The name a complete new file has for the moment before it is renamed over graph.txt.
constexpr const char* kSavingSuffix = ".saving";

// A write past the process's file size limit raises SIGXFSZ, which would end the editor
// and lose the graph on screen. Ignored while saving, the write fails with EFBIG instead.
class FileSizeSignalIgnored {
public:
    FileSizeSignalIgnored() : previous_(std::signal(SIGXFSZ, SIG_IGN)) {}
    ~FileSizeSignalIgnored() { std::signal(SIGXFSZ, previous_); }
    FileSizeSignalIgnored(const FileSizeSignalIgnored&) = delete;
    FileSizeSignalIgnored& operator=(const FileSizeSignalIgnored&) = delete;

private:
    void (*previous_)(int);
};

// An interrupted write wrote nothing, and is tried again.
bool writeAll(int fd, std::string_view bytes) {
    return writeInFull(bytes, [fd](std::string_view part) -> std::ptrdiff_t {
        const ssize_t written = write(fd, part.data(), part.size());
        return written < 0 && errno == EINTR ? 0 : written;
    });
}

// The new file takes the mode and owner of the file it replaces, so that saving never
// changes who may read the graph. Only root can give a file away; for anyone else it
// simply stays their own, which is no reason to lose the save. A new file has its mode
// from the open already.
bool takeOver(int fd, const PathStatus& existing) {
    if (existing.kind == PathKind::absent) return true;
    if (fchown(fd, existing.owner, existing.group) != 0 && errno != EPERM) return false;
    return fchmod(fd, static_cast<mode_t>(existing.mode) & kPermissionBits) == 0;
}

// Makes the rename itself durable. Best effort: the new file is already in place.
void syncDirectory(const std::string& directory) {
    const int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

// Why there are two ways of writing the new file: Linux can make it unnamed
// (O_TMPFILE), so that a save killed part-way leaves nothing behind. It gets a name,
// graph.txt.saving, only once it is complete and on disk, a moment before the rename;
// a save killed in that moment leaves it for the next save to replace. Older kernels and
// some file systems cannot make unnamed files; there the file is named from the start
// (graph.txt.<process>.<n>), and a kill part-way leaves that file beside graph.txt.
int openUnnamed(const std::string& directory) {
#ifdef O_TMPFILE
    return open(directory.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, kNewFileMode);
#else
    (void)directory;
    errno = EOPNOTSUPP;
    return -1;
#endif
}

bool refusesNewFiles(int error) { return error == EACCES || error == EPERM; }

// Gives the complete unnamed file at `fd` the name `name`. A file there by that name is
// one a save killed between this step and the rename left behind, or another editor's
// save of the same graph in that moment: a complete graph either way, which this one
// takes the place of.
bool nameUnnamed(int fd, const std::string& name) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
        if (errno != EEXIST || unlink(name.c_str()) != 0) break;
    }
    return false;
}

// Opens a new named file beside `target`, its name into `name`.
int openNamed(const std::string& target, std::string& name) {
    for (unsigned attempt = 0; attempt < kMostNames; ++attempt) {
        name = temporaryName(target, static_cast<unsigned long>(getpid()), attempt);
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

}  // namespace

std::optional<PathStatus> lookAt(const std::string& path) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) {
        if (errno == ENOENT) return PathStatus{};
        return std::nullopt;
    }
    const PathKind kind = S_ISLNK(info.st_mode)   ? PathKind::link
                          : S_ISREG(info.st_mode) ? PathKind::regularFile
                                                  : PathKind::other;
    return PathStatus{kind, info.st_mode, info.st_uid, info.st_gid};
}

std::optional<std::string> readLink(const std::string& path) {
    char target[PATH_MAX];
    const ssize_t length = readlink(path.c_str(), target, sizeof target);
    if (length <= 0 || static_cast<std::size_t>(length) == sizeof target) return std::nullopt;
    return std::string(target, static_cast<std::size_t>(length));
}

// As the process's effective user, which is who would open the file.
bool mayWrite(const std::string& path) { return faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0; }

SaveOutcome replaceFile(const std::string& target, const PathStatus& existing, std::string_view bytes) {
    const FileSizeSignalIgnored quiet;
    const std::string directory = directoryOf(target).empty() ? "." : directoryOf(target);
    std::string name;  // the new file's name once it has one
    // Whatever keeps the file from being made unnamed, the named way is tried: where the
    // directory refuses new files, it is refused too.
    int fd = openUnnamed(directory);
    const bool unnamed = fd >= 0;
    if (!unnamed) fd = openNamed(target, name);
    if (fd < 0) return refusesNewFiles(errno) ? SaveOutcome::directoryTakesNoNewFile : SaveOutcome::failed;
    bool ok = takeOver(fd, existing) && writeAll(fd, bytes) && fsync(fd) == 0;
    if (ok && unnamed) {
        ok = nameUnnamed(fd, target + kSavingSuffix);
        if (ok) name = target + kSavingSuffix;
    }
    ok = close(fd) == 0 && ok;
    ok = ok && std::rename(name.c_str(), target.c_str()) == 0;
    if (!ok) {
        if (!name.empty()) unlink(name.c_str());
        return SaveOutcome::failed;
    }
    syncDirectory(directory);
    return SaveOutcome::saved;
}

// Non-blocking, so that a FIFO put there meanwhile is refused rather than waited on.
void rewriteInPlace(const std::string& target, std::string_view bytes) {
    const FileSizeSignalIgnored quiet;
    const int fd = open(target.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, kNewFileMode);
    if (fd < 0) return;
    if (ftruncate(fd, 0) == 0 && writeAll(fd, bytes)) fsync(fd);
    close(fd);
}

// Non-blocking: opening a FIFO would otherwise wait for a writer for ever.
InputFile::InputFile(const char* path) : fd_(open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC)) {}

InputFile::~InputFile() {
    if (fd_ >= 0) close(fd_);
}

bool InputFile::isRegularFile() const {
    struct stat info;
    return fd_ >= 0 && fstat(fd_, &info) == 0 && S_ISREG(info.st_mode);
}

std::ptrdiff_t InputFile::read(char* buffer, std::size_t size) {
    for (int attempt = 0; attempt < kMostAttempts; ++attempt) {
        const ssize_t count = ::read(fd_, buffer, size);
        if (count >= 0 || errno != EINTR) return count;
    }
    return -1;
}
