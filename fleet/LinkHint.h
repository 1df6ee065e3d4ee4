#pragma once

#include "connect/ConnectionControl.h"

#include <cstdint>
#include <optional>
#include <unordered_map>

// What a device's last race taught: the link to start first, the shell's or the telnet's; none
// when nothing was learnt (no race yet, both links failed, or telnet won while the shell was still on its
// way and might have worked too).
struct LinkHint {
    std::optional<LinkSide> first;
};

// The hints of a kept fleet's devices by address (host byte order), kept by the fleet's owner across
// reconnects, turns and changes of the list, on the fleet's thread.
using LinkHints = std::unordered_map<std::uint32_t, LinkHint>;
