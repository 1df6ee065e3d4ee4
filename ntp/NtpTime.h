#pragma once

#include <cstdint>

// An NTP timestamp as it travels: 32 bits of seconds since the start of its era (era 0 began
// 1900-01-01 00:00 UTC, era 1 begins 2036-02-07 06:28:16 UTC) and 32 bits of binary fraction.
struct NtpTimestamp {
    std::uint32_t seconds = 0;
    std::uint32_t fraction = 0;

    bool IsZero() const { return seconds == 0 && fraction == 0; }
    bool operator==(const NtpTimestamp&) const = default;
};

// Seconds from the NTP epoch (1900) to the Unix epoch (1970).
inline constexpr std::int64_t kNtpToUnixSeconds = 2208988800;

// A Unix time in microseconds (may lie before 1970) as an NTP timestamp of whatever era it falls in.
NtpTimestamp NtpFromUnixMicros(std::int64_t unixMicros);

// The Unix time in microseconds of a timestamp, taking the era that puts it nearest to nearUnixMicros
// (within 68 years of it), so that one reading near 2036 is right on either side of the era change.
std::int64_t UnixMicrosFromNtp(NtpTimestamp timestamp, std::int64_t nearUnixMicros);

// later - earlier in seconds, by the wrap-around difference of 64-bit fixed-point values: right for any
// two timestamps less than 68 years apart, across an era change too.
double NtpDifferenceSeconds(NtpTimestamp later, NtpTimestamp earlier);
