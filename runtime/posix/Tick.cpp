#include "runtime/Tick.h"

#include <atomic>
#include <time.h>

namespace {

std::atomic<TickSource> g_tickSource{nullptr};

std::uint32_t MonotonicTick() {
    timespec now{};
    // CLOCK_MONOTONIC exists on every POSIX system this builds for; it cannot fail with these arguments.
    (void)clock_gettime(CLOCK_MONOTONIC, &now);
    const auto ms =
        static_cast<std::uint64_t>(now.tv_sec) * 1000u + static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms); // Wraps modulo 2^32 on purpose.
}

} // namespace

std::uint32_t TickCount() {
    const TickSource source = g_tickSource.load();
    return source != nullptr ? source() : MonotonicTick();
}

void SetTickSource(TickSource source) {
    g_tickSource.store(source);
}
