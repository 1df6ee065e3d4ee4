#include "DottedAddress.h"

#include <algorithm>

namespace {

constexpr std::size_t kMaxDigitsPerNumber = 3;
constexpr std::uint32_t kMaxOctet = 255;
constexpr std::string_view kBlanks = " \t";

std::string_view TrimBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::optional<std::uint32_t> ParseOctet(std::string_view digits) {
    if (digits.empty() || digits.size() > kMaxDigitsPerNumber) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return value <= kMaxOctet ? std::optional(value) : std::nullopt;
}

std::optional<Octets> ParseDottedQuad(std::string_view text) {
    text = TrimBlanks(text);
    Octets octets{};
    for (std::size_t i = 0; i < octets.size(); ++i) {
        const std::size_t end = std::min(text.find('.'), text.size());
        const std::optional<std::uint32_t> octet = ParseOctet(text.substr(0, end));
        const bool last = i + 1 == octets.size();
        // A dot must follow each number but the last, and nothing may follow the last.
        if (!octet || last != (end == text.size())) {
            return std::nullopt;
        }
        octets[i] = *octet;
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return octets;
}

} // namespace

std::optional<Octets> ParseDottedAddress(std::string_view text) {
    std::optional<Octets> octets = ParseDottedQuad(text);
    // The all-zero quad names neither a host nor a mask.
    return octets && AddressValue(*octets) != 0 ? octets : std::nullopt;
}

std::optional<Octets> ParseDeviceAddress(std::string_view text, std::string& refusal) {
    const std::optional<Octets> octets = ParseDottedQuad(text);
    if (!octets) {
        refusal = "is not a dotted IPv4 address";
    } else if (AddressValue(*octets) == 0) {
        refusal = "is the unspecified address, not a device's";
    } else if (AddressValue(*octets) == 0xFFFFFFFF) {
        refusal = "is the broadcast address, not a device's";
    } else {
        return octets;
    }
    return std::nullopt;
}

std::string FormatDottedAddress(const Octets& octets) {
    return std::to_string(octets[0]) + '.' + std::to_string(octets[1]) + '.' + std::to_string(octets[2]) +
           '.' + std::to_string(octets[3]);
}

std::uint32_t AddressValue(const Octets& octets) {
    std::uint32_t bits = 0;
    for (const std::uint32_t octet : octets) {
        bits = bits << 8 | octet;
    }
    return bits;
}

Octets OctetsOf(std::uint32_t value) {
    return {value >> 24, (value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF};
}
