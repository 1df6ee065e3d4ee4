#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The first IPv4 address (host byte order) of a host name, as the system's resolver gives it: its hosts
// file, then DNS or whatever else it is set up to ask. Nothing, with the resolver's reason, when the name
// has none. Blocks until the resolver answers; the network layer must be started (StartNetworking).
std::optional<std::uint32_t> ResolveIpv4(const std::string& name, std::string& reason);
