#include "ProbeReach.h"

#include "connect/DottedAddress.h"

namespace {

// Networks of 31 and 32 bits have neither a network nor a broadcast address (RFC 3021).
constexpr int kLongestPrefixWithBroadcast = 30;

std::uint32_t HostBits(int prefix) {
    return prefix == 0 ? 0xFFFFFFFFu : (1u << (32 - prefix)) - 1;
}

std::string NetworkText(const Network& network) {
    return FormatDottedAddress(OctetsOf(network.base & ~HostBits(network.prefix))) + '/' +
           std::to_string(network.prefix);
}

} // namespace

std::string ProbeRefusal(const std::vector<Network>& allow, bool listed, std::uint32_t address,
                         const std::string& text) {
    if (listed) {
        return "";
    }
    if (!IsWithin(allow, address)) {
        return text + " is outside the allowed networks and devices";
    }
    for (const Network& network : allow) {
        if (network.prefix > kLongestPrefixWithBroadcast || !IsWithin({network}, address)) {
            continue;
        }
        const std::uint32_t hostBits = HostBits(network.prefix);
        if ((address & hostBits) == 0) {
            return text + " is the network address of " + NetworkText(network);
        }
        if ((address & hostBits) == hostBits) {
            return text + " is the broadcast address of " + NetworkText(network);
        }
    }
    return "";
}
