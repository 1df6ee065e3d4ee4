#pragma once

#include "devicelog/ReadingHistory.h"

#include <cstdint>

// The start of the benchmarks' day, and its length in seconds.
inline constexpr std::int64_t kFullDayStartMicros = 1700000000LL * 1000000;
inline constexpr int kFullDaySeconds = 86400;

// A day at one reading a second: a wandering offset, the lamps out now and then, a reconnect an hour.
CReadingHistory FullDay();
