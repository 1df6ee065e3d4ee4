#pragma once

#include <netinet/in.h>

#include <cstddef>
#include <cstdint>
#include <optional>

// Reports of peer ports where nothing listens, on an unconnected datagram socket: where the system keeps
// them apart from the datagrams with the peer they concern (Linux), else never.

// Asks the system to keep such reports for fd; a refusal only leaves a refused peer to its time-out.
void AskForPortUnreachableReports(int fd);

// A report taken from fd: the peer it concerns, and the start of the datagram that was refused.
struct PortUnreachableReport {
    sockaddr_in peer{};
    std::size_t length = 0; // of the refused datagram copied into the caller's buffer, cut at its size
};
// Takes the first waiting report that a peer's port refused a datagram, into buffer; reports of other
// errors on the way are dropped, as the time-out tells of those. Nothing when none waits.
std::optional<PortUnreachableReport> TakePortUnreachableReport(int fd, std::uint8_t* buffer,
                                                               std::size_t size);
