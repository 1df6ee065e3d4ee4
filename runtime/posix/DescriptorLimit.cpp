#include "runtime/DescriptorLimit.h"

#include <sys/resource.h>
#include <sys/stat.h>

std::optional<std::uint64_t> RaiseDescriptorLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        return std::nullopt;
    }
    if (limit.rlim_cur < limit.rlim_max) {
        rlimit raised = limit;
        raised.rlim_cur = limit.rlim_max;
        // Linux refuses an unlimited soft limit for descriptors; the old limit then stays in force.
        if (setrlimit(RLIMIT_NOFILE, &raised) == 0) {
            limit = raised;
        }
    }
    if (limit.rlim_cur == RLIM_INFINITY) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(limit.rlim_cur);
}

std::optional<std::uint64_t> OpenDescriptorCount() {
    struct stat folder {};
    // Older kernels, and systems without /proc, say 0 here.
    if (stat("/proc/self/fd", &folder) != 0 || folder.st_size <= 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(folder.st_size);
}
