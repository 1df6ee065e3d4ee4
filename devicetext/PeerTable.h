#pragma once

#include "PeerLine.h"

#include <algorithm>
#include <cstddef>
#include <vector>

// The most peers of one table that are kept. A daemon serving time has a handful; the bound keeps a
// table of any length from growing the link's memory.
inline constexpr std::size_t kKeptPeers = 32;

// The peers an "ntpq -p" table listed, in its order.
struct PeerTable {
    std::vector<NtpPeer> peers;  // the first kKeptPeers
    std::size_t unkeptPeers = 0; // the peer lines after those
};

// The peer the daemon synchronises to: marked '*', or 'o' when it takes a pulse per second from it;
// null when none is.
inline const NtpPeer* SystemPeer(const PeerTable& table) {
    const auto found = std::find_if(table.peers.begin(), table.peers.end(), [](const NtpPeer& peer) {
        return peer.tally == '*' || peer.tally == 'o';
    });
    return found == table.peers.end() ? nullptr : &*found;
}
