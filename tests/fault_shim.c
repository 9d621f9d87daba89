#define _GNU_SOURCE
#include "fault_shim.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static int armed, failAt, error, times, calls, injected, noUnnamed;
static long unreadable;
static const char *seen[FAULT_MOST_CALLS], *failing;  // failing: the function that failed at failAt

void refuseUnnamedFiles(int refuse) { noUnnamed = refuse; }
void unreadableFrom(long offset) { unreadable = offset; }
void armFaults(int at, int withError, int count) {
    armed = 1, failAt = at, error = withError, times = count < FAULT_MOST ? count : FAULT_MOST, calls = injected = 0;
}
struct FaultRecord disarmFaults(void) { return armed = 0, (struct FaultRecord){calls, seen, injected}; }

// Whether this call to `name` fails.
static int fails(const char* name) {
    if (!armed) return 0;
    if (calls < FAULT_MOST_CALLS) seen[calls] = name;
    if (++calls == failAt) failing = name;
    const int fail = calls >= failAt && failAt > 0 && injected < times && !strcmp(failing, name);
    injected += fail;
    if (fail && error == FAULT_KILLED) return armed = 0, killed(), armed = 1, 0;  // its own calls are not counted
    return fail;
}

// POSIX lets dlsym's result be taken as a function pointer; ISO C alone does not.
#define NEXT(name) (__extension__(__typeof__(&name))dlsym(RTLD_NEXT, #name))
#define FAIL(name) if (fails(#name) && error > 0) return errno = error, -1
#define WRAP(type, name, params, args) type name params { FAIL(name); return NEXT(name) args; }

WRAP(int, lstat, (const char* path, struct stat* info), (path, info))
WRAP(int, fstat, (int fd, struct stat* info), (fd, info))
WRAP(int, faccessat, (int at, const char* path, int mode, int flags), (at, path, mode, flags))
WRAP(int, fchmod, (int fd, mode_t mode), (fd, mode))
WRAP(int, fchown, (int fd, uid_t owner, gid_t group), (fd, owner, group))
WRAP(int, ftruncate, (int fd, off_t length), (fd, length))
WRAP(int, fsync, (int fd), (fd))
WRAP(int, rename, (const char* old, const char* name), (old, name))
WRAP(int, unlink, (const char* path), (path))

ssize_t readlink(const char* path, char* buffer, size_t size) {
    if (fails("readlink")) return error > 0 ? (errno = error, -1) : 0;
    return NEXT(readlink)(path, buffer, size);
}

ssize_t read(int fd, void* buffer, size_t size) {
    const int cut = fails("read");
    if (cut && error > 0) return errno = error, -1;
    if (unreadable && lseek(fd, 0, SEEK_CUR) + (off_t)size > unreadable) return errno = EIO, -1;
    return NEXT(read)(fd, buffer, cut && size > 1 ? (error == FAULT_ONE_BYTE ? 1 : (size + 1) / 2) : size);
}

// Past the file size limit the kernel raises SIGXFSZ, and the write fails with EFBIG.
ssize_t write(int fd, const void* buffer, size_t size) {
    const int cut = fails("write");
    if (cut && error == FAULT_FILE_TOO_BIG) raise(SIGXFSZ);
    if (cut && error != FAULT_SHORT && error != FAULT_EMPTY) return errno = error > 0 ? error : EFBIG, -1;
    if (cut) size = error == FAULT_SHORT ? size / 2 : 0;
    return size == 0 ? 0 : NEXT(write)(fd, buffer, size);
}

// Another save takes the name first: a file appears there, and the link finds it.
int linkat(int from, const char* old, int to, const char* name, int flags) {
    const int cut = fails("linkat");
    if (cut && error == FAULT_NAME_TAKEN) NEXT(close)(NEXT(open)(name, O_WRONLY | O_CREAT, 0644));
    return cut ? (errno = error > 0 ? error : EEXIST, -1) : NEXT(linkat)(from, old, to, name, flags);
}

// A failed close still closes: so Linux does, whatever error it reports.
int close(int fd) {
    const int failed = fails("close") && error > 0, result = NEXT(close)(fd);
    return failed ? (errno = error, -1) : result;
}

int open(const char* path, int flags, ...) {
    va_list rest;
    va_start(rest, flags);
    const mode_t mode = flags & (O_CREAT | O_TMPFILE) ? va_arg(rest, mode_t) : 0;
    va_end(rest);
    if (noUnnamed && (flags & O_TMPFILE) == O_TMPFILE) return errno = EOPNOTSUPP, -1;
    FAIL(open);
    return NEXT(open)(path, flags, mode);
}
