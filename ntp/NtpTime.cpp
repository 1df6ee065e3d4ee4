#include "NtpTime.h"

#include "runtime/TimeUnits.h"

namespace {

constexpr std::int64_t kEraSeconds = std::int64_t{1} << 32;
constexpr double kFixedPointUnit = 4294967296.0; // 2^32: one second in the fraction's units

std::uint64_t FixedPoint(NtpTimestamp timestamp) {
    return std::uint64_t{timestamp.seconds} << 32 | timestamp.fraction;
}

// Floor division, so that times before an era's start land in the era before it.
std::int64_t FloorDiv(std::int64_t value, std::int64_t divisor) {
    const std::int64_t quotient = value / divisor;
    return (value % divisor != 0 && (value < 0) != (divisor < 0)) ? quotient - 1 : quotient;
}

} // namespace

NtpTimestamp NtpFromUnixMicros(std::int64_t unixMicros) {
    const std::int64_t unixSeconds = FloorDiv(unixMicros, kMicrosPerSecond);
    const auto micros = static_cast<std::uint64_t>(unixMicros - unixSeconds * kMicrosPerSecond);
    const std::int64_t ntpSeconds = unixSeconds + kNtpToUnixSeconds;
    // Rounded to the nearest unit; even 999999 us stays below 2^32, so no carry into the seconds.
    const std::uint64_t fraction = ((micros << 32) + kMicrosPerSecond / 2) / kMicrosPerSecond;
    return {static_cast<std::uint32_t>(ntpSeconds - FloorDiv(ntpSeconds, kEraSeconds) * kEraSeconds),
            static_cast<std::uint32_t>(fraction)};
}

std::int64_t UnixMicrosFromNtp(NtpTimestamp timestamp, std::int64_t nearUnixMicros) {
    const std::int64_t nearNtpSeconds = FloorDiv(nearUnixMicros, kMicrosPerSecond) + kNtpToUnixSeconds;
    std::int64_t ntpSeconds = FloorDiv(nearNtpSeconds, kEraSeconds) * kEraSeconds + timestamp.seconds;
    // Of the candidates one era apart, the one within half an era of the reference.
    if (ntpSeconds - nearNtpSeconds > kEraSeconds / 2) {
        ntpSeconds -= kEraSeconds;
    } else if (nearNtpSeconds - ntpSeconds > kEraSeconds / 2) {
        ntpSeconds += kEraSeconds;
    }
    const auto micros = static_cast<std::int64_t>(
        (std::uint64_t{timestamp.fraction} * kMicrosPerSecond + (std::uint64_t{1} << 31)) >> 32);
    return (ntpSeconds - kNtpToUnixSeconds) * kMicrosPerSecond + micros;
}

double NtpDifferenceSeconds(NtpTimestamp later, NtpTimestamp earlier) {
    return static_cast<double>(static_cast<std::int64_t>(FixedPoint(later) - FixedPoint(earlier))) /
           kFixedPointUnit;
}
