// The status program's reading of an NTP server's answer: any datagram is judged without reading past
// it, a decoded message encodes back to its own bytes, and a reference id reads as printable text.
#include "FuzzInput.h"

#include "ntp/SntpPacket.h"

#include <algorithm>
#include <span>

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
    return 0;
}
