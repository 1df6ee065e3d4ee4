#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

// The devices that may be read at once: parallel, or fewer where the limit of open descriptors (none:
// nothing to bound by) leaves room for fewer; at least one.
std::size_t DevicesWithinDescriptorLimit(std::size_t parallel, std::optional<std::uint64_t> descriptorLimit);
// The sockets the devices' links may hold at once within that limit (none: unbounded).
std::size_t SocketsWithinDescriptorLimit(std::optional<std::uint64_t> descriptorLimit);
