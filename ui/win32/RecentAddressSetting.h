#pragma once

#include <string>
#include <vector>

// The addresses that reached a device, most recent first, remembered for each user of this PC; what the
// registry holds is checked by the window's logic, not here.

// The remembered addresses; none when nothing has been remembered or it cannot be read.
std::vector<std::string> ReadRecentAddresses();
// Remembers the addresses for the next start; false when they cannot be written.
bool SaveRecentAddressList(const std::vector<std::string>& addresses);
