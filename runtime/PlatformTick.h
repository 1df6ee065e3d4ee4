#pragma once

#include <cstdint>

// The platform's own millisecond counter, wrapping modulo 2^32; each backend supplies it.
std::uint32_t PlatformTickCount();
