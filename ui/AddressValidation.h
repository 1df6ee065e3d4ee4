#pragma once

#include <string>
#include <string_view>

// The first field of the address change that failed its check, or None when all three passed.
enum class AddressField { None, IpAddress, SubnetMask, Gateway };

// The outcome of checking the three address texts: the texts to send, in normal form, when valid.
struct AddressCheck {
    AddressField invalidField = AddressField::None;
    bool dhcp = false; // the device will take its address from the network's DHCP server
    std::string ip;
    std::string mask;
    std::string gateway;
};

// Checks IP address, subnet mask and gateway in that order: each must be four decimal numbers 0..255 (one
// to three digits) joined by single dots, blanks around the whole text allowed, not all four zero, and the
// mask's one-bits must run from the top bit without a gap. With DHCP ticked all three are "0.0.0.0".
AddressCheck CheckAddressChange(bool dhcp, std::string_view ip, std::string_view mask,
                                std::string_view gateway);

// The string id of the error message for an invalid field (IP 127, mask 128, gateway 137); 0 for None.
int InvalidFieldMessageId(AddressField field);
