#include "Tick.h"

#include "PlatformTick.h"

#include <atomic>

namespace {

std::atomic<TickSource> g_tickSource{nullptr};

} // namespace

std::uint32_t TickCount() {
    const TickSource source = g_tickSource.load();
    return source != nullptr ? source() : PlatformTickCount();
}

void SetTickSource(TickSource source) {
    g_tickSource.store(source);
}
