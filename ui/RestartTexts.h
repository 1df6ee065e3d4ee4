#pragma once

#include "AddressValidation.h"
#include "ChangeNetworkCheck.h"
#include "resources/StringLookup.h"

#include <string>

// The texts of a guarded address change, from the window's string table.

// The confirmation: a warning for each finding of the network check, then the reboot warning. A DHCP
// change has no address to check and gets the reboot warning alone.
std::string ChangeQuestion(const AddressCheck& change, const ChangeNetworkCheck& check,
                           const StringLookup& strings);

// The status line while the device restarts: its new address and the time left as m:ss.
std::string RestartingLine(const std::string& address, int secondsLeft, const StringLookup& strings);

// The status line once this PC cannot follow: where the device now is (an empty address: DHCP).
std::string DeviceNowLine(const std::string& address, const StringLookup& strings);

// The error after the wait: the device did not answer at the address.
std::string NoAnswerText(const std::string& address, const StringLookup& strings);
