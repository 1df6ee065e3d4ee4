#include "SearchRange.h"

#include "connect/DottedAddress.h"

namespace {

constexpr int kHostBits = 32;
// The prefixes from which on every address of a network is a host (RFC 3021 point-to-point links).
constexpr int kAllHostsPrefix = 31;
constexpr std::uint32_t kFirstReservedOctet = 224;

std::uint32_t AddressCount(int prefix) {
    return std::uint32_t{1} << (kHostBits - prefix);
}

} // namespace

std::optional<SearchRange> ParseSearchNetwork(std::string_view text, std::string& refusal) {
    if (text.find('/') == std::string_view::npos) {
        refusal = "names no network: give it with its prefix, as A.B.C.D/N";
        return std::nullopt;
    }
    const std::optional<Network> network = ParseNetwork(text);
    if (!network) {
        refusal = "is not an IPv4 network A.B.C.D/N (N from 0 to 32)";
        return std::nullopt;
    }
    if (network->prefix < kWidestSearchPrefix) {
        refusal = "has " +
                  std::to_string(static_cast<unsigned long long>(1) << (kHostBits - network->prefix)) +
                  " addresses; a search covers a /22 (1024 addresses) at most";
        return std::nullopt;
    }
    const std::uint32_t firstOctet = network->base >> 24;
    if (firstOctet == 0 || firstOctet >= kFirstReservedOctet) {
        refusal = "holds no hosts (0.0.0.0/8, multicast or reserved)";
        return std::nullopt;
    }
    SearchRange range{*network, network->base, AddressCount(network->prefix)};
    if (network->prefix < kAllHostsPrefix) {
        range.first += 1;
        range.count -= 2;
    }
    return range;
}

std::string FormatNetwork(const Network& network) {
    return FormatDottedAddress(OctetsOf(network.base)) + "/" + std::to_string(network.prefix);
}
