#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The four numbers of a dotted IPv4 address, most significant first.
using Octets = std::array<std::uint32_t, 4>;

// A dotted address that names a host or a mask: four decimal numbers 0..255 (one to three digits) joined
// by single dots, blanks around the whole text allowed, not all four zero; nothing otherwise.
std::optional<Octets> ParseDottedAddress(std::string_view text);

// A dotted address that may name one device: not 0.0.0.0, which names no host, nor 255.255.255.255, the
// broadcast to every host of the local network. Without one, refusal says why ("is not a dotted IPv4
// address", "is the broadcast address, not a device's").
std::optional<Octets> ParseDeviceAddress(std::string_view text, std::string& refusal);

// The normal form: no blanks, no leading zeros.
std::string FormatDottedAddress(const Octets& octets);

// The address as one 32-bit number, the first octet in the top byte.
std::uint32_t AddressValue(const Octets& octets);

// The octets of an address given as one 32-bit number; the inverse of AddressValue.
Octets OctetsOf(std::uint32_t value);
