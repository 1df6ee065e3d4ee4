#pragma once

#include "devicetext/PeerTable.h"

#include <cstdint>
#include <optional>
#include <string>

// What a failure says of the device. Device: it did not answer in time, or not whole; Unreadable: it
// answered what cannot be read. Pending (not read yet), NotRead (the run's deadline came before it could
// be) and a failure of this PC (no socket, descriptor or thread) say nothing of it: UNKNOWN, never the
// device's fault.
enum class FailureKind { Device, Unreadable, Pending, NotRead, LocalFailure };

// Whether a failure of that kind is news of the device itself.
inline bool TellsOfTheDevice(FailureKind kind) {
    return kind == FailureKind::Device || kind == FailureKind::Unreadable;
}

// What the independent NTP check found.
struct NtpResult {
    bool answered = false;
    std::string failure; // why there is no valid answer
    FailureKind failureKind = FailureKind::Device;
    bool kissOfDeath = false; // the failure is a kiss-o'-death answer, whose code the failure names
    bool invalid = false;     // the failure is an answer whose times cannot be true, as the failure says
    int stratum = 0;
    std::string referenceId;
    int leap = 0;
    double offsetSeconds = 0;          // the device's NTP time against this PC's clock
    double delaySeconds = 0;           // the exchange's round trip, less the server's own time
    std::int64_t serverUnixMicros = 0; // the time the device served
    // How far the server is from its reference clock: the round trip to it, the error it has gathered
    // since, and the resolution of its own clock.
    double rootDelaySeconds = 0;
    double rootDispersionSeconds = 0;
    double precisionSeconds = 0;
    std::optional<std::int64_t> referenceUnixMicros = std::nullopt; // when its clock was last set, if ever
    // How long before the record the check ended: a watch asks at most every kShortestNtpPoll and shows
    // the last result in between. Empty while no check has ended.
    std::optional<double> ageSeconds = std::nullopt;
};

// The most the served time can be wrong by through the server's own chain of references.
inline double RootDistance(const NtpResult& ntp) {
    return ntp.rootDelaySeconds / 2 + ntp.rootDispersionSeconds;
}

// A check that ended without a valid answer.
inline NtpResult UnansweredNtp(std::string failure, FailureKind kind = FailureKind::Device) {
    NtpResult result;
    result.failure = std::move(failure);
    result.failureKind = kind;
    return result;
}

// One device's reading: what the health rules judge and every output format shows. Unknown values
// are empty.
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
    std::optional<double> roundTripSeconds;       // from the command sent to its answer
    std::optional<bool> gpsLocked;
    std::optional<bool> timeSynced;
    std::optional<bool> macAssigned;
    // The device's own NTP peers; never read while the MAC is unassigned.
    std::optional<PeerTable> peers;
    std::optional<NtpResult> ntp; // empty with --no-ntp
    // NTP offset minus shell offset: how far the served time and the device clock disagree.
    std::optional<double> ntpShellSeconds;
};

// How far the true NTP offset may lie from offsetSeconds: the server's times fall somewhere within the
// exchange, so either way by half its delay. A negative delay (server times that run backwards) is none.
inline double NtpOffsetUncertainty(const NtpResult& ntp) {
    return ntp.delaySeconds > 0 ? ntp.delaySeconds / 2 : 0;
}

// The same for the shell offset: the device printed its clock somewhere between the command's sending
// and its answer, and the offset is taken against their midpoint, so it is good to half the round trip.
inline double ShellOffsetUncertainty(const DeviceRecord& record) {
    const double roundTrip = record.roundTripSeconds.value_or(0);
    return roundTrip > 0 ? roundTrip / 2 : 0;
}
