#pragma once

#include "connect/Ipv4Network.h"

#include <cstdint>
#include <string>
#include <vector>

// Why /probe may not reach address (host byte order, written as text): outside the allowed networks and
// not a listed device, or the network or broadcast address of an allowed network, where a probe would
// reach every host or none. Empty when it may.
std::string ProbeRefusal(const std::vector<Network>& allow, bool listed, std::uint32_t address,
                         const std::string& text);
