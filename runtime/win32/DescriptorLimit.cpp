#include "runtime/DescriptorLimit.h"

std::optional<std::uint64_t> RaiseDescriptorLimit() {
    // Sockets and events are kernel handles, bounded only by memory: nothing to plan a fleet around.
    return std::nullopt;
}

std::optional<std::uint64_t> OpenDescriptorCount() {
    return std::nullopt;
}
