#pragma once

#include "AddressValidation.h"

#include <cstdint>
#include <span>
#include <string>

// An IPv4 address with its network mask, each as one 32-bit number, the first octet in the top byte.
struct Ipv4Network {
    std::uint32_t address = 0;
    std::uint32_t mask = 0;
};

// What the technician should know before the device takes a new address.
struct ChangeNetworkCheck {
    bool reachable = false;      // one of this PC's networks holds the new address
    bool gatewayOutside = false; // the gateway lies outside the device's new network
};

// Checks the device's new address and mask against this PC's networks (up interfaces, IPv4 only) and
// against the new gateway. Neither finding forbids the change: the device may be meant for another site.
ChangeNetworkCheck CheckNewNetwork(std::span<const Ipv4Network> localNetworks, Ipv4Network device,
                                   std::uint32_t gateway);

// The same check for a valid, non-DHCP address change in normal form.
ChangeNetworkCheck CheckChangeNetwork(std::span<const Ipv4Network> localNetworks, const AddressCheck& change);

// The device's new address and mask of a valid, non-DHCP address change.
Ipv4Network DeviceNetworkOf(const AddressCheck& change);

// The network that holds the address, in prefix notation: "10.0.0.0/24". A mask with a gap counts its
// one-bits.
std::string NetworkName(Ipv4Network network);
