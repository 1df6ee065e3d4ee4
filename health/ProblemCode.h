#pragma once

// What a health rule found, as every output names it: monitoring systems match on these names, so a name
// once published never changes meaning. The names are ProblemCodeName's.
enum class ProblemCode {
    Unreachable,        // unreachable, or no complete reading in time
    Interrupted,        // the run ended before the device was read
    Pending,            // not read yet
    LocalFailure,       // this PC could not read it (no socket, descriptor or thread)
    NoSystemPeer,       // the time daemon has no system peer
    PeerReach,          // the system peer answered fewer than 6 of its last 8 polls
    PeerJitter,         // the system peer jitters beyond --jitter-warn
    GpsUnlocked,        // the receiver reports no GPS lock
    MacUnassigned,      // the device has no MAC address assigned
    Offset,             // the device clock beyond the limits (--warn/-w, --crit/-c)
    OffsetUncertain,    // the device clock perhaps beyond a limit, within its uncertainty
    NtpUnanswered,      // no valid NTP answer
    NtpKiss,            // a kiss-o'-death NTP answer
    NtpPending,         // the NTP check has not ended yet
    NtpLocalFailure,    // this PC could not ask (no UDP socket)
    NtpStratum,         // a stratum outside 1 to 15
    NtpLeap,            // leap indicator 3: the server's clock is not synchronised
    NtpOffset,          // the served time beyond the limits (--warn/-w, --crit/-c)
    NtpOffsetUncertain, // the served time perhaps beyond a limit, within its uncertainty
    NtpDisagrees,       // the served time and the device clock apart
    WeekRollover,       // the device date 1024 or 2048 weeks behind: GPS week-number rollover
    NtpLeapMonth,       // a leap second announced outside June and December
    ClockStep,          // the device clock stepped between two readings (within the last 10 minutes)
    NtpRootDistance,    // the server's root distance beyond 1.5 s
    Stale,              // a kept device's last complete reading is too old for its interval (exporter)
    AnswerUnreadable,   // the device answered a command with what cannot be read
    NotRead,            // the run's deadline came before the device could be read
    NtpInvalid,         // an NTP answer whose times cannot be true
};

// The code's stable name: "gps-unlocked", "ntp-offset".
const char* ProblemCodeName(ProblemCode code);

// Whether the code tells of the device, rather than of a reading not ended or of this PC's failure
// (whatever severity the limits give it).
bool TellsOfTheDevice(ProblemCode code);
