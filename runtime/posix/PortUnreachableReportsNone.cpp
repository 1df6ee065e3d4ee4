#include "PortUnreachableReports.h"

// Without a queue of error reports that names the peer, a refused peer is left to its time-out.
void AskForPortUnreachableReports(int) {}

std::optional<PortUnreachableReport> TakePortUnreachableReport(int, std::uint8_t*, std::size_t) {
    return std::nullopt;
}
