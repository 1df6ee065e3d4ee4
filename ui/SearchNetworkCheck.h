#pragma once

#include "ChangeNetworkCheck.h"
#include "resources/StringLookup.h"

#include "discover/SearchRange.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

// What the Find dialog makes of its network box: the addresses to search, or the message that tells the
// user why there is nothing to search.
struct SearchNetworkCheck {
    std::optional<SearchRange> range;
    std::string refusal; // empty when range is set
};

// Checks the network box's text as vantrex-status --discover checks its network; a network wider than
// /22 gets a message of its own, any other refusal says what a network looks like.
SearchNetworkCheck CheckSearchNetwork(std::string_view text, const StringLookup& strings);

// What the network box offers first: this PC's first network outside loopback, in prefix notation, as
// the platform lists them; empty when there is none. Never searched until the user presses Search.
std::string SuggestedSearchNetwork(std::span<const Ipv4Network> localNetworks);

// What the network box offers: the network searched last, or without one the suggested network.
std::string NetworkToOffer(const std::string& lastSearched, std::span<const Ipv4Network> localNetworks);
