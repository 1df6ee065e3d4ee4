#pragma once

#include <cstdint>

// A millisecond counter that only ever counts up and wraps modulo 2^32 (about 49.7 days).
using TickSource = std::uint32_t (*)();

// The current tick count in milliseconds, from the platform's monotonic clock unless a test replaced it.
std::uint32_t TickCount();

// Replaces the counter (tests); nullptr restores the platform's.
void SetTickSource(TickSource source);
