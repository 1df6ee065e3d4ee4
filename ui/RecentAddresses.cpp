#include "RecentAddresses.h"

#include "connect/DottedAddress.h"

#include <algorithm>
#include <optional>

std::vector<std::string> AddRecentAddress(std::vector<std::string> recent, const std::string& address) {
    std::erase(recent, address);
    recent.insert(recent.begin(), address);
    if (recent.size() > kMostRecentAddresses) {
        recent.resize(kMostRecentAddresses);
    }
    return recent;
}

std::vector<std::string> CleanRecentAddresses(const std::vector<std::string>& stored) {
    std::vector<std::string> clean;
    for (const std::string& text : stored) {
        const std::optional<Octets> address = ParseDottedAddress(text);
        if (!address) {
            continue;
        }
        const std::string normal = FormatDottedAddress(*address);
        if (std::ranges::find(clean, normal) == clean.end() && clean.size() < kMostRecentAddresses) {
            clean.push_back(normal);
        }
    }
    return clean;
}
