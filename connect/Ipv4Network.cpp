#include "Ipv4Network.h"

#include "connect/DottedAddress.h"

#include <algorithm>
#include <charconv>

namespace {

std::uint32_t Mask(int prefix) {
    // A shift by 32 is undefined: the whole space has no bits to compare.
    return prefix == 0 ? 0 : ~std::uint32_t{0} << (32 - prefix);
}

} // namespace

std::optional<Network> ParseNetwork(std::string_view text) {
    const std::size_t slash = text.find('/');
    const std::optional<Octets> octets = ParseDottedAddress(text.substr(0, slash));
    if (!octets) {
        return std::nullopt;
    }
    Network network{AddressValue(*octets), 32};
    if (slash != std::string_view::npos) {
        const std::string_view digits = text.substr(slash + 1);
        const char* end = digits.data() + digits.size();
        const auto [ptr, error] = std::from_chars(digits.data(), end, network.prefix);
        if (digits.empty() || digits.size() > 2 || error != std::errc() || ptr != end || network.prefix < 0 ||
            network.prefix > 32) {
            return std::nullopt;
        }
    }
    network.base &= Mask(network.prefix);
    return network;
}

bool IsWithin(const std::vector<Network>& networks, std::uint32_t address) {
    return std::any_of(networks.begin(), networks.end(), [address](const Network& network) {
        return (address & Mask(network.prefix)) == network.base;
    });
}
