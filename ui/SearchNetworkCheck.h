#pragma once

#include "StringLookup.h"

#include "discover/SearchNetwork.h"

#include <optional>
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
