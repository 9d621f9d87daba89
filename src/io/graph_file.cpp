#include "io/graph_file.h"

#include "io/file_system.h"
#include "io/graph_text.h"

#include <optional>
#include <string>

namespace {

// As many links as the kernel itself follows in one path before it takes them for a loop.
constexpr int kMostLinks = 40;

struct SaveTarget {
    std::string path;
    PathStatus status;
};

// The file a save must write: graph.txt, or what it links to, followed link by link as
// writing through the link would, to a target that may not exist yet. Empty when the
// links go round in a loop, or when any look along the way fails: a passing error must
// not make a link look like a plain file, or the save would replace the link.
std::optional<SaveTarget> saveTarget() {
    std::string path = kGraphFileName;
    for (int followed = 0; followed <= kMostLinks; ++followed) {
        const std::optional<PathStatus> status = lookAt(path);
        if (!status) return std::nullopt;
        if (status->kind != PathKind::link) return SaveTarget{path, *status};
        const std::optional<std::string> link = readLink(path);
        if (!link) return std::nullopt;
        // A relative link is taken from the directory the link is in.
        path = link->front() == '/' ? *link : directoryOf(path) + *link;
    }
    return std::nullopt;
}

}  // namespace

// Nothing is reported to the user; a save that fails simply leaves the old file.
void saveGraph() {
    const std::optional<SaveTarget> target = saveTarget();
    // Only a regular file is replaced, or a missing one made; anything else (a directory,
    // a FIFO, a device) is left alone, and nothing is created beside it.
    if (!target || target->status.kind == PathKind::other) return;
    // A write-protected graph.txt could not have been opened for writing either; a rename
    // would get past that protection, so honour it here.
    if (target->status.kind == PathKind::regularFile && !mayWrite(target->path)) return;
    const std::string text = graphText();
    // Where the directory takes no new file, rewriting in place is the one way to save.
    if (replaceFile(target->path, target->status, text) == SaveOutcome::directoryTakesNoNewFile) {
        rewriteInPlace(target->path, text);
    }
}

void loadGraph() {
    InputFile file(kGraphFileName);
    // No file to open must not cost the user the graph they are working on. Nor must a
    // graph.txt that is no regular file: a device such as /dev/zero never ends.
    if (file.isRegularFile()) loadGraphFromFile(file);
}
