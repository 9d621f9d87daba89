#include "io/graph_file.h"

#include "io/graph_text.h"

#include <cerrno>
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
constexpr std::size_t kReadChunk = 64 * 1024;
constexpr const char* kTemporarySuffix = ".XXXXXX";

// The file a save must replace. A graph.txt that links elsewhere is written where it
// points, as writing through the link would, rather than having the link replaced.
std::string saveTarget() {
    std::string target = kGraphFileName;
    if (char* resolved = realpath(kGraphFileName, nullptr)) {
        target = resolved;
        std::free(resolved);
    }
    return target;
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
    const std::size_t slash = path.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

// Writes `bytes` to a temporary file beside `target`, forces it to disk and only then
// renames it over `target`. Any failure removes the temporary file and leaves `target`
// untouched, so a full disk or a crash mid-save cannot destroy the previous save.
bool replaceFile(const std::string& target, std::string_view bytes) {
    std::string temporary = target + kTemporarySuffix;
    const int fd = mkstemp(temporary.data());
    if (fd < 0) return false;
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

// Reads the whole of `path` into `text`. False only when it cannot be opened as a file;
// a read error part-way keeps what was read before it.
bool readFile(const char* path, std::string& text) {
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info;
    if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        close(fd);
        return false;
    }
    char chunk[kReadChunk];
    for (;;) {
        const ssize_t count = read(fd, chunk, sizeof chunk);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) break;
        text.append(chunk, static_cast<std::size_t>(count));
    }
    close(fd);
    return true;
}

}  // namespace

void saveGraph() {
    // Nothing is reported to the user; a failed save simply leaves the old file.
    replaceFile(saveTarget(), graphText());
}

void loadGraph() {
    std::string text;
    // No file to open must not cost the user the graph they are working on.
    if (readFile(kGraphFileName, text)) loadGraphText(text);
}
