#pragma once

#include <cstdint>

// Identity of a waitable object as WaitForAny reports it. On POSIX it is a descriptor, on Win32 an
// event handle; both fit an intptr_t.
using WaitHandle = std::intptr_t;

// What WaitForAny returns when nothing fired (time-out or failure); never a valid handle.
inline constexpr WaitHandle kNothingFired = -1;

// A time-out that never expires.
inline constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;
