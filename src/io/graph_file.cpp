#include "io/graph_file.h"

#include "io/graph_text.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A new file gets what a plain fopen for writing would give it.
constexpr mode_t kNewFileMode = 0666;
constexpr mode_t kPermissionBits = 07777;
constexpr const char* kTemporarySuffix = ".XXXXXX";
// As many links as the kernel itself follows before it gives up on a loop.
constexpr int kMostLinks = 40;

// The directory part of `path` with its final slash, or "" for a name with no directory.
std::string directoryOf(const std::string& path) {
    return path.substr(0, path.rfind('/') + 1);  // npos + 1 is 0
}

// The file a save must write: graph.txt, or what it links to, followed link by link as
// writing through the link would, to a target that may not exist yet. Empty when the
// links go round in a loop.
std::string saveTarget() {
    std::string path = kGraphFileName;
    for (int i = 0; i < kMostLinks; ++i) {
        struct stat info;
        if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        char target[PATH_MAX];
        const ssize_t length = readlink(path.c_str(), target, sizeof target);
        if (length <= 0 || static_cast<std::size_t>(length) == sizeof target) return {};
        // A relative link is taken from the directory the link is in.
        const std::string link(target, static_cast<std::size_t>(length));
        path = link[0] == '/' ? link : directoryOf(path) + link;
    }
    return {};
}

mode_t currentUmask() {
    const mode_t mask = umask(0);
    umask(mask);
    return mask;
}

// Readies the temporary file to stand in for `target`, or says it must not. mkstemp makes
// it a private 0600; it gets the mode and owner of the file it replaces, or a fresh file's
// mode if there is none, so that saving never changes who may read the graph.
bool prepareReplacement(int fd, const std::string& target) {
    struct stat existing;
    if (stat(target.c_str(), &existing) != 0) {
        return errno == ENOENT && fchmod(fd, kNewFileMode & ~currentUmask()) == 0;
    }
    // Only a regular file is replaced; anything else there is left alone.
    if (!S_ISREG(existing.st_mode)) return false;
    // A write-protected graph.txt could not have been opened for writing either; a rename
    // would get past that protection, so honour it here.
    if (access(target.c_str(), W_OK) != 0) return false;
    // Only root can give a file away; for anyone else the new file simply stays their
    // own, which is no reason to lose the save.
    if (fchown(fd, existing.st_uid, existing.st_gid) != 0 && errno != EPERM) return false;
    return fchmod(fd, existing.st_mode & kPermissionBits) == 0;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Makes the rename itself durable. Best effort: the new file is already in place.
void syncDirectoryOf(const std::string& path) {
    const std::string directory = directoryOf(path);
    const int fd = open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

// Rewrites `target` where it stands. A failure part-way leaves it cut short, so this is
// only for a directory that takes no new file from us, where it is the one way to save.
// Non-blocking, so that a FIFO there is refused rather than waited on.
bool writeInPlace(const std::string& target, std::string_view bytes) {
    const int fd = open(target.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, kNewFileMode);
    if (fd < 0) return false;
    struct stat info;
    bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ftruncate(fd, 0) == 0 &&
              writeAll(fd, bytes) && fsync(fd) == 0;
    if (close(fd) != 0) ok = false;
    return ok;
}

// Writes `bytes` to a temporary file beside `target`, forces it to disk and only then
// renames it over `target`. Any failure removes the temporary file and leaves `target`
// untouched, so a full disk or a crash mid-save cannot destroy the previous save.
bool replaceFile(const std::string& target, std::string_view bytes) {
    std::string temporary = target + kTemporarySuffix;
    const int fd = mkstemp(temporary.data());
    if (fd < 0) return (errno == EACCES || errno == EPERM) && writeInPlace(target, bytes);
    bool ok = prepareReplacement(fd, target) && writeAll(fd, bytes) && fsync(fd) == 0;
    if (close(fd) != 0) ok = false;
    if (ok) ok = std::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        unlink(temporary.c_str());
        return false;
    }
    syncDirectoryOf(target);
    return true;
}

}  // namespace

void saveGraph() {
    const std::string target = saveTarget();
    if (target.empty()) return;
    // A write past the process's file size limit raises SIGXFSZ, which would end the
    // editor and lose the graph on screen. Ignored, the write fails with EFBIG instead.
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    // Nothing is reported to the user; a failed save simply leaves the old file.
    replaceFile(target, graphText());
    std::signal(SIGXFSZ, previous);
}

void loadGraph() {
    // Non-blocking: opening a FIFO would otherwise wait for a writer for ever.
    const int fd = open(kGraphFileName, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    // No file to open must not cost the user the graph they are working on. Nor must a
    // graph.txt that is no regular file: a device such as /dev/zero never ends.
    if (fd < 0) return;
    struct stat info;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) loadGraphFromFile(fd);
    close(fd);
}
