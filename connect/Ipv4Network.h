#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// An IPv4 network: the addresses whose top `prefix` bits equal those of base.
struct Network {
    std::uint32_t base = 0;
    int prefix = 32;
};

// "A.B.C.D/N" (N from 0 to 32) or a single dotted address (/32), the address by the strict dotted check;
// nothing otherwise. Bits of A.B.C.D below the prefix are ignored, as routers take them.
std::optional<Network> ParseNetwork(std::string_view text);

// Whether address (host byte order) lies in one of the networks.
bool IsWithin(const std::vector<Network>& networks, std::uint32_t address);
