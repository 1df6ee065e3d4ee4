#pragma once

#include <cstddef>
#include <string>
#include <vector>

// How many addresses that reached a device the address box offers again.
inline constexpr std::size_t kMostRecentAddresses = 10;

// recent after address reached a device: address first, its earlier place dropped, the oldest beyond
// kMostRecentAddresses dropped.
std::vector<std::string> AddRecentAddress(std::vector<std::string> recent, const std::string& address);

// The list as the user's settings held it, which anyone may have edited: only strictly checked addresses
// in their normal form, each once, in their order, at most kMostRecentAddresses.
std::vector<std::string> CleanRecentAddresses(const std::vector<std::string>& stored);
