#pragma once

#include "NtpTime.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

// Size of an SNTP message without authentication.
inline constexpr std::size_t kSntpPacketSize = 48;
using SntpBytes = std::array<std::uint8_t, kSntpPacketSize>;

inline constexpr std::uint8_t kModeClient = 3;
inline constexpr std::uint8_t kModeServer = 4;
inline constexpr std::uint8_t kLeapUnsynchronised = 3;
inline constexpr std::uint8_t kStratumUnsynchronised = 16;

// The header fields of one message, in host order.
struct SntpPacket {
    std::uint8_t leap = 0;
    std::uint8_t version = 4;
    std::uint8_t mode = kModeClient;
    std::uint8_t stratum = 0;
    std::int8_t poll = 0;
    std::int8_t precision = 0;
    std::uint32_t rootDelay = 0;
    std::uint32_t rootDispersion = 0;
    std::uint32_t referenceId = 0;
    NtpTimestamp reference;
    NtpTimestamp originate;
    NtpTimestamp receive;
    NtpTimestamp transmit;
};

// The message's bytes in network order.
SntpBytes EncodeSntp(const SntpPacket& packet);
// The fields of the first 48 bytes; nothing when fewer arrived.
std::optional<SntpPacket> DecodeSntp(std::span<const std::uint8_t> bytes);

// A client request (version 4, mode 3) that carries only its transmit time, which the server echoes.
SntpBytes MakeSntpRequest(NtpTimestamp transmit);

// Why an answer was not taken; Valid when it was.
enum class SntpVerdict {
    Valid,
    Short,
    NotServerMode,
    BadVersion,
    OriginateMismatch,
    ZeroTransmit,
    TransmitBeforeReceive,
    HeldBeyondRoundTrip,
    ArrivedBeforeSent,
};

// Checks an answer to the request sent with transmit time sent: whole, mode 4, version 3 or 4, the
// originate time equal to sent, and a transmit time.
SntpVerdict CheckSntpAnswer(std::span<const std::uint8_t> bytes, NtpTimestamp sent);

// How far the server's own times may hold the request longer than the round trip measured here: our
// clock reads whole microseconds at the send and at the answer.
inline constexpr double kSntpTimeSlackSeconds = 2e-6;

// Checks the times of an answer that CheckSntpAnswer took, against its request's sending (t1, the
// answer's originate time) and its arrival here (t4): a server cannot send before it received, nor
// hold the request longer than the whole round trip (a negative delay, beyond kSntpTimeSlackSeconds).
// Only an answer that passes has a delay from 0 to the round trip, and so an offset good to half of it.
// ArrivedBeforeSent says that this PC's clock went back during the exchange: no fault of the server.
SntpVerdict CheckSntpTimes(const SntpPacket& answer, NtpTimestamp received);
// The verdict as a short text for a report.
const char* SntpVerdictText(SntpVerdict verdict);

// Offset of the server's clock against ours and the round-trip delay, both in seconds, from the four
// times of one exchange: t1 request sent, t2 request received, t3 answer sent, t4 answer received.
struct SntpSample {
    double offset = 0;
    double delay = 0;
};
SntpSample ComputeSntpSample(NtpTimestamp t1, NtpTimestamp t2, NtpTimestamp t3, NtpTimestamp t4);

// A root delay or dispersion (unsigned 16.16 fixed point) in seconds.
double NtpShortSeconds(std::uint32_t value);
// The precision field (a power of two, in seconds, as a signed exponent) in seconds.
double PrecisionSeconds(std::int8_t exponent);

// The reference id as a report shows it: for a stratum 0 or 1 source its name (a kiss code, or a clock's
// name such as "GPS") when the bytes are printable ASCII up to NULs that pad them, else, and for every
// upstream server, the four bytes dotted (127.127.1.1); empty for a stratum 0 or 1 id of zeros.
std::string FormatReferenceId(std::uint8_t stratum, std::uint32_t referenceId);
