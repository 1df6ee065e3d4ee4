#pragma once

#include <string>
#include <vector>

// The addresses that reached a device, most recent first, remembered per user in the program's settings;
// what the settings hold is checked by the window's logic, not here.
std::vector<std::string> LoadRecentAddresses();
void StoreRecentAddresses(const std::vector<std::string>& addresses);
