#pragma once

#include <cstdint>
#include <optional>
#include <string>

// IPv4 addresses as the sim compares them: numbers in host order, and their dotted text.

// The number of a dotted IPv4 address; none when text is not one.
std::optional<std::uint32_t> AddressNumber(const std::string& text);
// The dotted text of an address number.
std::string DottedAddress(std::uint32_t address);
// The local address the connected or accepted socket fd was reached at; none when the system cannot tell.
std::optional<std::uint32_t> LocalAddressOf(int fd);
