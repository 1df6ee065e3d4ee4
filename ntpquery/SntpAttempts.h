#pragma once

#include "health/DeviceRecord.h"
#include "ntp/NtpTime.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// A check asks again this long after its last request, as NTP's own initial burst does: a server's rate
// limit turns away a client that asks more often than every 2 s.
inline constexpr auto kSntpRequestSpacing = std::chrono::seconds(2);
// At most a burst's worth of requests per check: with the default 15 s time-out all of them fit, and
// a device that answers none of 8 is not merely losing packets (10 % each way fails a try with 19 %,
// all 8 with 1.7 in a million).
inline constexpr int kSntpMostRequests = 8;
// Larger answers carry extensions we do not read.
inline constexpr std::size_t kLargestSntpDatagram = 512;

// The failures a check reports without an answer to read.
inline constexpr const char* kSntpNoAnswer = "no answer";
inline constexpr const char* kSntpPortUnreachable = "no answer (port unreachable)";
inline constexpr const char* kSntpNoSocket = "no UDP socket";

// The requests of one check and the judgement of what comes back, with no socket or clock of its own: the
// same rules for the window's check on a socket of its own and a fleet's shared socket. A check asks every
// kSntpRequestSpacing until it has asked kSntpMostRequests times or its end comes, and takes a valid answer
// to any request it sent that arrived by its end, however late the reader gets to it: a device whose round
// trip is longer than the spacing is answered all the same, by its first request's answer.
class CSntpAttempts {
public:
    using Clock = std::chrono::steady_clock;

    explicit CSntpAttempts(Clock::time_point end = {}) : m_end(end) {}

    // When the next request is due (now, before the first); none when no more will go.
    std::optional<Clock::time_point> NextRequestAt() const;
    // When the check ends without a valid answer.
    Clock::time_point End() const { return m_end; }
    // When the check's driver must look at it next: its next request or its end.
    Clock::time_point NextWake() const;
    // A request with transmit time transmit left at now.
    void Sent(NtpTimestamp transmit, Clock::time_point now);
    // Whether transmit is that of a request this check sent.
    bool HasSent(NtpTimestamp transmit) const;

    // Reads a datagram from the peer asked that arrived at arrival (on Clock) and arrivalUnixMicros (on
    // this PC's clock): the check's result when it ends the check, none when it waits on (the datagram
    // is kept as the reason, should its end come; one that arrived after the end does not count).
    std::optional<NtpResult> Take(std::span<const std::uint8_t> bytes, Clock::time_point arrival,
                                  std::int64_t arrivalUnixMicros);
    // The peer refused the request transmit at now (nothing listens on its port): the check's result when
    // that ends it, none when it asks once more at once, for a service that was just restarting.
    std::optional<NtpResult> TakeRefusal(NtpTimestamp transmit, Clock::time_point now);
    // The result of a check whose end came without an answer: why.
    NtpResult TimedOut() const;

private:
    Clock::time_point m_end;
    std::vector<NtpTimestamp> m_sent;
    Clock::time_point m_lastSentAt;
    bool m_refused = false;
    bool m_askAtOnce = false; // after the first refusal
    std::string m_lastRejection;
};

// When a datagram stamped arrivalUnixMicros on this PC's clock arrived on CSntpAttempts::Clock: the
// stamp's age, read now, from now; never in the future, should the PC's clock have been set back.
CSntpAttempts::Clock::time_point ArrivalOnSteadyClock(std::int64_t arrivalUnixMicros);
