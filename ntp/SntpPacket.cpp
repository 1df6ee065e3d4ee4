#include "SntpPacket.h"

#include <cmath>
#include <optional>

namespace {

constexpr std::uint8_t kVersion = 4;
constexpr std::uint8_t kOldestVersion = 3;

class CWriter {
public:
    explicit CWriter(SntpBytes& bytes) : m_bytes(bytes) {}
    void Byte(std::uint8_t value) { m_bytes[m_at++] = value; }
    void Word(std::uint32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            Byte(static_cast<std::uint8_t>(value >> shift));
        }
    }
    void Timestamp(NtpTimestamp value) {
        Word(value.seconds);
        Word(value.fraction);
    }

private:
    SntpBytes& m_bytes;
    std::size_t m_at = 0;
};

class CReader {
public:
    explicit CReader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}
    std::uint8_t Byte() { return m_bytes[m_at++]; }
    std::uint32_t Word() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            value = value << 8 | Byte();
        }
        return value;
    }
    NtpTimestamp Timestamp() {
        const std::uint32_t seconds = Word();
        return {seconds, Word()};
    }

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_at = 0;
};

} // namespace

SntpBytes EncodeSntp(const SntpPacket& packet) {
    SntpBytes bytes{};
    CWriter writer(bytes);
    writer.Byte(
        static_cast<std::uint8_t>((packet.leap & 3) << 6 | (packet.version & 7) << 3 | (packet.mode & 7)));
    writer.Byte(packet.stratum);
    writer.Byte(static_cast<std::uint8_t>(packet.poll));
    writer.Byte(static_cast<std::uint8_t>(packet.precision));
    writer.Word(packet.rootDelay);
    writer.Word(packet.rootDispersion);
    writer.Word(packet.referenceId);
    writer.Timestamp(packet.reference);
    writer.Timestamp(packet.originate);
    writer.Timestamp(packet.receive);
    writer.Timestamp(packet.transmit);
    return bytes;
}

std::optional<SntpPacket> DecodeSntp(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kSntpPacketSize) {
        return std::nullopt;
    }
    CReader reader(bytes);
    SntpPacket packet;
    const std::uint8_t first = reader.Byte();
    packet.leap = first >> 6;
    packet.version = (first >> 3) & 7;
    packet.mode = first & 7;
    packet.stratum = reader.Byte();
    packet.poll = static_cast<std::int8_t>(reader.Byte());
    packet.precision = static_cast<std::int8_t>(reader.Byte());
    packet.rootDelay = reader.Word();
    packet.rootDispersion = reader.Word();
    packet.referenceId = reader.Word();
    packet.reference = reader.Timestamp();
    packet.originate = reader.Timestamp();
    packet.receive = reader.Timestamp();
    packet.transmit = reader.Timestamp();
    return packet;
}

SntpBytes MakeSntpRequest(NtpTimestamp transmit) {
    SntpPacket request;
    request.version = kVersion;
    request.mode = kModeClient;
    request.transmit = transmit;
    return EncodeSntp(request);
}

SntpVerdict CheckSntpAnswer(std::span<const std::uint8_t> bytes, NtpTimestamp sent) {
    const std::optional<SntpPacket> answer = DecodeSntp(bytes);
    if (!answer) {
        return SntpVerdict::Short;
    }
    if (answer->mode != kModeServer) {
        return SntpVerdict::NotServerMode;
    }
    if (answer->version < kOldestVersion || answer->version > kVersion) {
        return SntpVerdict::BadVersion;
    }
    // The echo ties the answer to this request: a stray or forged datagram cannot know it.
    if (answer->originate != sent) {
        return SntpVerdict::OriginateMismatch;
    }
    return answer->transmit.IsZero() ? SntpVerdict::ZeroTransmit : SntpVerdict::Valid;
}

SntpVerdict CheckSntpTimes(const SntpPacket& answer, NtpTimestamp received) {
    if (NtpDifferenceSeconds(received, answer.originate) < 0) {
        return SntpVerdict::ArrivedBeforeSent;
    }
    if (NtpDifferenceSeconds(answer.transmit, answer.receive) < 0) {
        return SntpVerdict::TransmitBeforeReceive;
    }
    const SntpSample sample = ComputeSntpSample(answer.originate, answer.receive, answer.transmit, received);
    return sample.delay < -kSntpTimeSlackSeconds ? SntpVerdict::HeldBeyondRoundTrip : SntpVerdict::Valid;
}

const char* SntpVerdictText(SntpVerdict verdict) {
    switch (verdict) {
    case SntpVerdict::Valid:
        return "valid";
    case SntpVerdict::Short:
        return "answer shorter than 48 bytes";
    case SntpVerdict::NotServerMode:
        return "answer not in server mode";
    case SntpVerdict::BadVersion:
        return "answer of an unknown version";
    case SntpVerdict::OriginateMismatch:
        return "answer to another request";
    case SntpVerdict::ZeroTransmit:
        return "answer without a transmit time";
    case SntpVerdict::TransmitBeforeReceive:
        return "transmit time before receive time";
    case SntpVerdict::HeldBeyondRoundTrip:
        return "server time longer than the round trip (negative delay)";
    case SntpVerdict::ArrivedBeforeSent:
        return "this PC's clock went back during the exchange";
    }
    return "unknown";
}

SntpSample ComputeSntpSample(NtpTimestamp t1, NtpTimestamp t2, NtpTimestamp t3, NtpTimestamp t4) {
    const double outbound = NtpDifferenceSeconds(t2, t1);
    const double inbound = NtpDifferenceSeconds(t3, t4);
    return {.offset = (outbound + inbound) / 2,
            .delay = NtpDifferenceSeconds(t4, t1) - NtpDifferenceSeconds(t3, t2)};
}

double NtpShortSeconds(std::uint32_t value) {
    return std::ldexp(static_cast<double>(value), -16);
}

double PrecisionSeconds(std::int8_t exponent) {
    return std::ldexp(1.0, exponent);
}

namespace {

// The four bytes as an address, the form of an upstream server's id and of a reference clock's
// pseudo-address (127.127.t.u).
std::string DottedReferenceId(std::uint32_t referenceId) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        text += std::to_string((referenceId >> shift) & 0xFF);
        text += shift != 0 ? "." : "";
    }
    return text;
}

// The id as the name of a reference clock ("GPS", padded with NULs); none when it is no such name.
std::optional<std::string> ReferenceName(std::uint32_t referenceId) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((referenceId >> shift) & 0xFF);
        if (c == '\0') {
            break;
        }
        if (c < 0x20 || c >= 0x7F) {
            return std::nullopt;
        }
        text += c;
    }
    // A name ends at its first NUL: a byte after one means the bytes are something else.
    const std::size_t nameBits = 8 * text.size();
    if (text.empty() || (nameBits < 32 && (referenceId & (0xFFFFFFFFu >> nameBits)) != 0)) {
        return std::nullopt;
    }
    return text;
}

} // namespace

std::string FormatReferenceId(std::uint8_t stratum, std::uint32_t referenceId) {
    if (stratum <= 1) {
        if (referenceId == 0) {
            return "";
        }
        return ReferenceName(referenceId).value_or(DottedReferenceId(referenceId));
    }
    return DottedReferenceId(referenceId);
}
