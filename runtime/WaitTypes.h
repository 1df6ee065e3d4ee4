#pragma once

#include <cstdint>

// Identity of a waitable object as WaitForAny reports it. On POSIX it is a descriptor, on Win32 an
// event handle; both fit an intptr_t.
using WaitHandle = std::intptr_t;

// What WaitForAny returns when its time ran out with nothing set; never a valid handle.
inline constexpr WaitHandle kNothingFired = -1;

// What WaitForAny returns when it could not wait: a signal in the set was never created or broke, or the
// platform's wait failed. Distinct from a time-out, so that no caller takes a failure for an event.
inline constexpr WaitHandle kWaitFailed = -2;

// The handle of a signal that could not be created. WaitForAny never returns it, so comparing a wait's
// result with a failed signal's handle is always false.
inline constexpr WaitHandle kNoSignal = -3;

// A time-out that never expires.
inline constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;
