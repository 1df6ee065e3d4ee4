#include "PostedReport.h"

#include <cstdint>

namespace {

// The state in the upper half, run and sequence below.
LPARAM PackReport(StateReport report) {
    return static_cast<LPARAM>((static_cast<std::uint64_t>(static_cast<std::uint32_t>(report.state)) << 32) |
                               (std::uint64_t{report.run} << 16) | report.sequence);
}

} // namespace

StateReport UnpackReport(LPARAM packed) {
    const auto bits = static_cast<std::uint64_t>(packed);
    return {static_cast<int>(static_cast<std::uint32_t>(bits >> 32)), static_cast<std::uint16_t>(bits >> 16),
            static_cast<std::uint16_t>(bits)};
}

void PostReport(HWND window, const CWorkerThread& worker, StateReport report) {
    PostMessageW(window, WM_APP, reinterpret_cast<WPARAM>(&worker), PackReport(report));
}
