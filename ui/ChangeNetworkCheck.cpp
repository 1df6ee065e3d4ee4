#include "ChangeNetworkCheck.h"

#include "connect/DottedAddress.h"

#include <algorithm>
#include <bit>

namespace {

bool SameNetwork(std::uint32_t a, std::uint32_t b, std::uint32_t mask) {
    return (a & mask) == (b & mask);
}

std::uint32_t ValueOf(const std::string& normalForm) {
    return AddressValue(ParseDottedAddress(normalForm).value_or(Octets{}));
}

} // namespace

ChangeNetworkCheck CheckNewNetwork(std::span<const Ipv4Network> localNetworks, Ipv4Network device,
                                   std::uint32_t gateway) {
    const bool reachable = std::ranges::any_of(localNetworks, [&](const Ipv4Network& local) {
        return SameNetwork(local.address, device.address, local.mask);
    });
    return {.reachable = reachable, .gatewayOutside = !SameNetwork(gateway, device.address, device.mask)};
}

ChangeNetworkCheck CheckChangeNetwork(std::span<const Ipv4Network> localNetworks,
                                      const AddressCheck& change) {
    return CheckNewNetwork(localNetworks, DeviceNetworkOf(change), ValueOf(change.gateway));
}

Ipv4Network DeviceNetworkOf(const AddressCheck& change) {
    return {.address = ValueOf(change.ip), .mask = ValueOf(change.mask)};
}

std::string NetworkName(Ipv4Network network) {
    return FormatDottedAddress(OctetsOf(network.address & network.mask)) + '/' +
           std::to_string(std::popcount(network.mask));
}
