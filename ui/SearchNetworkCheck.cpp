#include "SearchNetworkCheck.h"

#include "resources/resource.h"

#include "connect/Ipv4Network.h"

namespace {

constexpr std::uint32_t kLoopbackOctet = 127;

// A pasted network often brings a blank or a line end along.
std::string_view WithoutBlanksAround(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

} // namespace

SearchNetworkCheck CheckSearchNetwork(std::string_view boxText, const StringLookup& strings) {
    const std::string_view text = WithoutBlanksAround(boxText);
    std::string parserRefusal; // worded for the command line; the window has its own texts
    if (std::optional<SearchRange> range = ParseSearchNetwork(text, parserRefusal)) {
        return {range, std::string()};
    }
    // A lone address parses as a /32, which is never too wide: only a stated prefix can be.
    const std::optional<Network> network = ParseNetwork(text);
    if (network && network->prefix < kWidestSearchPrefix) {
        return {std::nullopt, FillIn(strings(IDS_FIND_NETWORK_TOO_WIDE), {FormatNetwork(*network)})};
    }
    // The box's text is not repeated: it may be long, or cut in the middle of a character.
    return {std::nullopt, strings(IDS_FIND_NOT_A_NETWORK)};
}

std::string SuggestedSearchNetwork(std::span<const Ipv4Network> localNetworks) {
    for (const Ipv4Network& network : localNetworks) {
        if (network.address >> 24 != kLoopbackOctet) {
            return NetworkName(network);
        }
    }
    return std::string();
}

std::string NetworkToOffer(const std::string& lastSearched, std::span<const Ipv4Network> localNetworks) {
    return lastSearched.empty() ? SuggestedSearchNetwork(localNetworks) : lastSearched;
}
