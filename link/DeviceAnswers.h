#pragma once

#include "LinkState.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

// Readers of the device's answers. Each takes the NUL-terminated text received up to the shell prompt
// that ends the answer and looks only at what follows the first occurrence of the answer's marker.

// The longest firmware version line kept.
inline constexpr std::size_t kVersionLength = 16;

// Device seconds beyond this magnitude are not read: no real clock gets there, and the margin keeps
// every later carry far from overflow.
inline constexpr std::int64_t kDeviceSecondsLimit = std::int64_t{1} << 62;

// One reading of the device clock as the device prints it after "getdate".
struct DeviceClockReading {
    std::int64_t seconds = 0; // since 1970-01-01 00:00 UTC
    std::int64_t micros = 0;  // a whole number, as printed: 5 means 5 microseconds
    char status = '\0';       // 'A' GPS locked, 'M' MAC address not assigned, else not locked
};

// The version line after marker (at most kVersionLength characters, pointing into text); nothing when
// the marker is absent.
std::optional<std::string_view> ParseVersionAnswer(const char* text, const char* marker);

// Reads "<seconds>.<micros> <status>" from the start of text the way scanf's "%d.%d %c" would, but
// refuses numbers that do not fit instead of overflowing; nothing unless all three parts are there.
std::optional<DeviceClockReading> ReadDeviceClock(const char* text);

// The clock reading after the getdate marker; nothing when the marker is absent or the reading is not.
std::optional<DeviceClockReading> ParseGetdateAnswer(const char* text);

// 1 when the first or second peer line of the peer table after marker starts with '*' (a system peer
// is selected), else 0.
IndicatorState ParsePeerTable(const char* text, const char* marker);
