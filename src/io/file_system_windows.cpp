#include "io/file_system.h"

#include <algorithm>
#include <climits>
#include <filesystem>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

namespace {

// WriteFile takes a 32-bit count.
constexpr std::size_t kLargestWrite = std::size_t{1} << 30;

// Paths are UTF-8 here, and UTF-16 to Windows.
std::wstring widen(const std::string& path) {
    return std::filesystem::path(std::u8string_view(reinterpret_cast<const char8_t*>(path.data()), path.size())).wstring();
}

// Writes all of `bytes` and forces them to disk, then closes `file`.
bool writeAndClose(HANDLE file, std::string_view bytes) {
    const bool ok = writeInFull(bytes, [file](std::string_view part) -> std::ptrdiff_t {
        DWORD written = 0;
        const auto size = static_cast<DWORD>(std::min(part.size(), kLargestWrite));
        return WriteFile(file, part.data(), size, &written, nullptr) ? std::ptrdiff_t{written} : -1;
    }) && FlushFileBuffers(file);
    return CloseHandle(file) && ok;
}

HANDLE create(const std::wstring& name, DWORD disposition) {
    return CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

// Windows links (reparse points) are not followed: such a graph.txt is left alone, as is
// a directory or a device.
std::optional<PathStatus> lookAt(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(widen(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return PathStatus{};
        return std::nullopt;
    }
    constexpr DWORD kNotPlain = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
    return PathStatus{(attributes & kNotPlain) == 0 ? PathKind::regularFile : PathKind::other};
}

std::optional<std::string> readLink(const std::string&) { return std::nullopt; }

bool mayWrite(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) == 0;
}

// The new file is named from the start: Windows has no unnamed files. A rename does not
// replace a file there; MoveFileExW does, in one step, once the new file is on disk.
SaveOutcome replaceFile(const std::string& target, const PathStatus&, std::string_view bytes) {
    for (unsigned attempt = 0; attempt < kMostNames; ++attempt) {
        const std::wstring name = widen(temporaryName(target, GetCurrentProcessId(), attempt));
        const HANDLE file = create(name, CREATE_NEW);
        if (file == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_EXISTS) continue;
            return error == ERROR_ACCESS_DENIED ? SaveOutcome::directoryTakesNoNewFile : SaveOutcome::failed;
        }
        const bool ok = writeAndClose(file, bytes) &&
                        MoveFileExW(name.c_str(), widen(target).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        if (!ok) DeleteFileW(name.c_str());
        return ok ? SaveOutcome::saved : SaveOutcome::failed;
    }
    return SaveOutcome::failed;
}

void rewriteInPlace(const std::string& target, std::string_view bytes) {
    const HANDLE file = create(widen(target), CREATE_ALWAYS);
    if (file != INVALID_HANDLE_VALUE) writeAndClose(file, bytes);
}

InputFile::InputFile(const char* path) : fd_(_wopen(widen(path).c_str(), _O_RDONLY | _O_BINARY)) {}

InputFile::~InputFile() {
    if (fd_ >= 0) _close(fd_);
}

bool InputFile::isRegularFile() const {
    struct _stat64 info;
    return fd_ >= 0 && _fstat64(fd_, &info) == 0 && (info.st_mode & _S_IFMT) == _S_IFREG;
}

// Windows reads are not interrupted by signals: there is nothing to retry.
std::ptrdiff_t InputFile::read(char* buffer, std::size_t size) {
    return _read(fd_, buffer, static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX)));
}
