#include "DescriptorBudget.h"

#include "fleet/SocketBudget.h"

#include <algorithm>

namespace {

// A device in flight, once its race is settled, counted on Linux: its one link's socket. The NTP checks
// share the loop's one socket; a device whose race still runs may hold two sockets, which the fleet's
// socket budget leaves room for before it starts one.
constexpr std::uint64_t kDescriptorsPerDevice = 1;
// Standard streams, the stop signal, the event loop and the NTP checks' socket, the textfile's temporary
// file and its folder, the --from file, and room for what the C library opens on its own.
constexpr std::uint64_t kDescriptorsOfTheRun = 16;

std::uint64_t Spare(std::uint64_t descriptorLimit) {
    return descriptorLimit > kDescriptorsOfTheRun ? descriptorLimit - kDescriptorsOfTheRun : 0;
}

} // namespace

std::size_t DevicesWithinDescriptorLimit(std::size_t parallel, std::optional<std::uint64_t> descriptorLimit) {
    if (!descriptorLimit) {
        return std::max<std::size_t>(parallel, 1);
    }
    const std::uint64_t room = std::max<std::uint64_t>(Spare(*descriptorLimit) / kDescriptorsPerDevice, 1);
    return static_cast<std::size_t>(std::min<std::uint64_t>(std::max<std::size_t>(parallel, 1), room));
}

std::size_t SocketsWithinDescriptorLimit(std::optional<std::uint64_t> descriptorLimit) {
    if (!descriptorLimit) {
        return CSocketBudget::kUnbounded;
    }
    return static_cast<std::size_t>(
        std::min<std::uint64_t>(Spare(*descriptorLimit), CSocketBudget::kUnbounded));
}
