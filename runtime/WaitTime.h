#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>

// The wait that lasts until deadline, in the whole milliseconds WaitForAny takes: rounded up, so that a
// wait never ends before its deadline, and none for a deadline already past.
inline std::uint32_t MillisecondsUntil(std::chrono::steady_clock::time_point deadline) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(left.count(), 0, UINT32_MAX - 1));
}
