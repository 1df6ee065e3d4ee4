#include "AddressValidation.h"

#include "connect/DottedAddress.h"
#include "resources/resource.h"

#include <cstdint>
#include <optional>

namespace {

constexpr std::string_view kDhcpAddress = "0.0.0.0";

bool IsContiguousMask(const Octets& octets) {
    // Inverted, a mask is a run of ones at the bottom, so adding one leaves no bit shared with it.
    const std::uint32_t hostBits = ~AddressValue(octets);
    return (hostBits & (hostBits + 1)) == 0;
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
        return {.dhcp = true,
                .ip = std::string(kDhcpAddress),
                .mask = std::string(kDhcpAddress),
                .gateway = std::string(kDhcpAddress)};
    }
    const std::optional<Octets> ipOctets = ParseDottedAddress(ip);
    if (!ipOctets) {
        return Invalid(AddressField::IpAddress);
    }
    const std::optional<Octets> maskOctets = ParseDottedAddress(mask);
    if (!maskOctets || !IsContiguousMask(*maskOctets)) {
        return Invalid(AddressField::SubnetMask);
    }
    const std::optional<Octets> gatewayOctets = ParseDottedAddress(gateway);
    if (!gatewayOctets) {
        return Invalid(AddressField::Gateway);
    }
    return {.ip = FormatDottedAddress(*ipOctets),
            .mask = FormatDottedAddress(*maskOctets),
            .gateway = FormatDottedAddress(*gatewayOctets)};
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
