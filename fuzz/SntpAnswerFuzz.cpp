// The status program's reading of an NTP server's answer: any datagram is judged without reading past
// it, a decoded message encodes back to its own bytes, a reference id reads as printable text, and an
// answer whose times pass their check has a delay within the round trip measured here, so that the
// offset is never trusted beyond half of it. The 8 bytes after the message, when there are any, are its
// arrival here (an NTP timestamp); without them it arrives the instant it was sent.
#include "FuzzInput.h"

#include "ntp/SntpPacket.h"

#include <algorithm>
#include <span>

namespace {

NtpTimestamp ArrivalOf(std::span<const std::uint8_t> bytes, NtpTimestamp sent) {
    if (bytes.size() < kSntpPacketSize + 8) {
        return sent;
    }
    std::uint64_t value = 0;
    for (std::size_t at = kSntpPacketSize; at < kSntpPacketSize + 8; ++at) {
        value = value << 8 | bytes[at];
    }
    return {static_cast<std::uint32_t>(value >> 32), static_cast<std::uint32_t>(value)};
}

void CheckTimes(const SntpPacket& answer, NtpTimestamp received) {
    if (CheckSntpTimes(answer, received) != SntpVerdict::Valid) {
        return;
    }
    const SntpSample sample = ComputeSntpSample(answer.originate, answer.receive, answer.transmit, received);
    const double roundTrip = NtpDifferenceSeconds(received, answer.originate);
    FuzzCheck(NtpDifferenceSeconds(answer.transmit, answer.receive) >= 0, "a server sends after it receives");
    FuzzCheck(sample.delay >= -kSntpTimeSlackSeconds && sample.delay <= roundTrip,
              "a valid answer's delay lies within the round trip measured here");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const NtpTimestamp sent{0xE9000000u, 0x12345678u};
    const SntpVerdict verdict = CheckSntpAnswer(bytes, sent);
    const std::optional<SntpPacket> packet = DecodeSntp(bytes);
    FuzzCheck(packet.has_value() == (size >= kSntpPacketSize), "a whole message always decodes");
    FuzzCheck(verdict != SntpVerdict::Valid || (packet && packet->originate == sent), "valid answers echo");
    if (packet) {
        const SntpBytes again = EncodeSntp(*packet);
        FuzzCheck(std::equal(again.begin(), again.end(), data), "decoding keeps every bit");
        for (const char c : FormatReferenceId(packet->stratum, packet->referenceId)) {
            FuzzCheck(c >= 0x20 && c < 0x7f, "a reference id is printable");
        }
    }
    if (verdict == SntpVerdict::Valid) {
        CheckTimes(*packet, ArrivalOf(bytes, sent));
    }
    return 0;
}
