#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What a failure says of the device. Pending (not read yet) and a failure of this PC (no socket,
// descriptor or thread) say nothing of it: UNKNOWN, never the device's fault.
enum class FailureKind { Device, Pending, LocalFailure };

// What the independent NTP check found.
struct NtpResult {
    bool answered = false;
    std::string failure; // why there is no valid answer
    FailureKind failureKind = FailureKind::Device;
    int stratum = 0;
    std::string referenceId;
    int leap = 0;
    double offsetSeconds = 0;          // the device's NTP time against this PC's clock
    double delaySeconds = 0;           // the exchange's round trip, less the server's own time
    std::int64_t serverUnixMicros = 0; // the time the device served
};

// A check that ended without a valid answer.
inline NtpResult UnansweredNtp(std::string failure, FailureKind kind = FailureKind::Device) {
    NtpResult result;
    result.failure = std::move(failure);
    result.failureKind = kind;
    return result;
}

// One device's reading, as every output format shows it. Unknown values are empty.
struct DeviceRecord {
    std::string address;
    bool reachable = false;
    bool interrupted = false; // the run was ended before this device was read: nothing is known of it
    std::string failure;      // why not reachable, or why no complete reading
    FailureKind failureKind = FailureKind::Device;
    std::string link; // "shell" or "telnet"
    std::string firmware;
    std::optional<std::int64_t> deviceUnixMicros; // the device clock as it printed it
    std::optional<double> offsetSeconds;          // device clock minus the midpoint of send and answer
    std::optional<double> roundTripSeconds;       // the offset's uncertainty
    std::optional<bool> gpsLocked;
    std::optional<bool> timeSynced;
    std::optional<bool> macAssigned;
    std::optional<NtpResult> ntp; // empty with --no-ntp
    // NTP offset minus shell offset: how far the served time and the device clock disagree.
    std::optional<double> ntpShellSeconds;
};
