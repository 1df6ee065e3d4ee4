#pragma once

#include "connect/Ipv4Network.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The widest network one search covers: a /22, 1,024 addresses.
inline constexpr int kWidestSearchPrefix = 22;

// The addresses one search visits, in host byte order: count of them from first on.
struct SearchRange {
    Network network;
    std::uint32_t first = 0;
    std::uint32_t count = 0;
};

// A network the user names for a search: "A.B.C.D/N" with N from 22 to 32, the address by the strict
// dotted check. A host address with its prefix names that host's network (192.168.1.77/24 is
// 192.168.1.0/24), as a router reads it. The prefix is required: a lone address is refused rather than
// read as /32, so that a forgotten prefix does not silently search one host. Networks of /30 and wider
// leave out their network and broadcast addresses, which name no host. Multicast and reserved space
// (224.0.0.0 and above) and 0.0.0.0/8 hold no hosts to find and are refused. Nothing when refused, with
// the reason in refusal.
std::optional<SearchRange> ParseSearchNetwork(std::string_view text, std::string& refusal);

// The network in its normal form, "192.168.1.0/24".
std::string FormatNetwork(const Network& network);
