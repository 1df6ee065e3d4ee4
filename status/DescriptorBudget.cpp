#include "DescriptorBudget.h"

#include <algorithm>

namespace {

// A device in flight, counted on Linux: each of its two links holds its stop, state and request
// signals and, while it runs, a socket and that socket's signal; the NTP check a socket and a signal.
constexpr std::uint64_t kDescriptorsPerDevice = 12;
// Standard streams, the stop signal, the textfile's temporary file and its folder, the --from file,
// and room for what the C library opens on its own.
constexpr std::uint64_t kDescriptorsOfTheRun = 16;

} // namespace

std::size_t DevicesWithinDescriptorLimit(std::size_t parallel, std::optional<std::uint64_t> descriptorLimit) {
    if (!descriptorLimit) {
        return std::max<std::size_t>(parallel, 1);
    }
    const std::uint64_t spare =
        *descriptorLimit > kDescriptorsOfTheRun ? *descriptorLimit - kDescriptorsOfTheRun : 0;
    const std::uint64_t room = std::max<std::uint64_t>(spare / kDescriptorsPerDevice, 1);
    return static_cast<std::size_t>(std::min<std::uint64_t>(std::max<std::size_t>(parallel, 1), room));
}
