#pragma once

#include <cstdint>

// The units the programs convert time between; whole numbers, so that integer arithmetic stays exact.
inline constexpr std::int64_t kMsPerSecond = 1000;
inline constexpr std::int64_t kMicrosPerSecond = 1000000;
inline constexpr std::int64_t kSecondsPerDay = 86400;
