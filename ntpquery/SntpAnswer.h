#pragma once

#include "health/DeviceRecord.h"
#include "ntp/NtpTime.h"

#include <cstdint>
#include <span>
#include <string>
#include <variant>

// What one datagram from the peer asked tells a check: the check's result (an answer, a kiss-o'-death,
// an answer whose times cannot be true, or this PC's clock gone back), or why it was not taken, for the
// time-out's report while the check waits on.
using SntpReading = std::variant<NtpResult, std::string>;

// Reads bytes as the answer to the request sent with transmit time sent, which arrived at
// arrivalUnixMicros on this PC's clock.
SntpReading ReadSntpAnswer(std::span<const std::uint8_t> bytes, NtpTimestamp sent,
                           std::int64_t arrivalUnixMicros);
