#include "runtime/PlatformTick.h"

#include <time.h>

std::uint32_t PlatformTickCount() {
    timespec now{};
    // CLOCK_MONOTONIC exists on every POSIX system this builds for; it cannot fail with these arguments.
    (void)clock_gettime(CLOCK_MONOTONIC, &now);
    const auto ms =
        static_cast<std::uint64_t>(now.tv_sec) * 1000u + static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms); // Wraps modulo 2^32 on purpose.
}
