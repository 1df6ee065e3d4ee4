#include "AddressValidation.h"

#include "ui/res/resource.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

namespace {

using Octets = std::array<std::uint32_t, 4>;

constexpr std::size_t kMaxDigitsPerNumber = 3;
constexpr std::uint32_t kMaxOctet = 255;
constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kDhcpAddress = "0.0.0.0";

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

bool HasNonzeroPart(const Octets& octets) {
    for (const std::uint32_t octet : octets) {
        if (octet != 0) {
            return true;
        }
    }
    return false;
}

bool IsContiguousMask(const Octets& octets) {
    std::uint32_t bits = 0;
    for (const std::uint32_t octet : octets) {
        bits = bits << 8 | octet;
    }
    // Inverted, a mask is a run of ones at the bottom, so adding one leaves no bit shared with it.
    const std::uint32_t hostBits = ~bits;
    return (hostBits & (hostBits + 1)) == 0;
}

std::string FormatDottedQuad(const Octets& octets) {
    return std::to_string(octets[0]) + '.' + std::to_string(octets[1]) + '.' + std::to_string(octets[2]) +
           '.' + std::to_string(octets[3]);
}

// A dotted quad that names a host or a mask: the all-zero quad names neither.
std::optional<Octets> ParseAddress(std::string_view text) {
    std::optional<Octets> octets = ParseDottedQuad(text);
    return octets && HasNonzeroPart(*octets) ? octets : std::nullopt;
}

AddressCheck Invalid(AddressField field) {
    AddressCheck check;
    check.invalidField = field;
    return check;
}

} // namespace

AddressCheck CheckAddressChange(bool dhcp, std::string_view ip, std::string_view mask,
                                std::string_view gateway) {
    if (dhcp) {
        return {.ip = std::string(kDhcpAddress),
                .mask = std::string(kDhcpAddress),
                .gateway = std::string(kDhcpAddress)};
    }
    const std::optional<Octets> ipOctets = ParseAddress(ip);
    if (!ipOctets) {
        return Invalid(AddressField::IpAddress);
    }
    const std::optional<Octets> maskOctets = ParseAddress(mask);
    if (!maskOctets || !IsContiguousMask(*maskOctets)) {
        return Invalid(AddressField::SubnetMask);
    }
    const std::optional<Octets> gatewayOctets = ParseAddress(gateway);
    if (!gatewayOctets) {
        return Invalid(AddressField::Gateway);
    }
    return {.ip = FormatDottedQuad(*ipOctets),
            .mask = FormatDottedQuad(*maskOctets),
            .gateway = FormatDottedQuad(*gatewayOctets)};
}

int InvalidFieldMessageId(AddressField field) {
    switch (field) {
    case AddressField::IpAddress:
        return IDS_INVALID_IP_ADDRESS;
    case AddressField::SubnetMask:
        return IDS_INVALID_SUBNET_MASK;
    case AddressField::Gateway:
        return IDS_INVALID_GATEWAY;
    case AddressField::None:
        break;
    }
    return 0;
}
