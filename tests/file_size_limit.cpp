// A planted fault may make a save write for ever. Past 256 MiB a write fails instead, as past
// a file size limit (the save ignores SIGXFSZ), before it fills the disk, or the memory under
// a tmpfs.

#include <sys/resource.h>

[[maybe_unused]] static const bool kFileSizeLimited = [] {
    const rlimit limit{rlim_t{256} << 20, rlim_t{256} << 20};
    return setrlimit(RLIMIT_FSIZE, &limit) == 0;
}();
