#include "SignalNative.h"

#include "runtime/WaitSet.h"

#include <array>

static_assert(kInfinite == INFINITE, "time-outs pass straight to WaitForMultipleObjects");

std::size_t MostSignalsPerWait() {
    return MAXIMUM_WAIT_OBJECTS;
}

WaitHandle WaitForAny(const CWaitSet& set, std::uint32_t ms) {
    const std::size_t count = set.Count();
    if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || set.HoldsFailedSignal()) {
        return kWaitFailed;
    }
    std::array<HANDLE, MAXIMUM_WAIT_OBJECTS> events{};
    for (std::size_t index = 0; index < count; ++index) {
        events[index] = EventOf(set.Handles()[index]);
    }
    // Any one, not all; when several are set the lowest index wins, which keeps the set's order.
    const DWORD result = WaitForMultipleObjects(static_cast<DWORD>(count), events.data(), FALSE, ms);
    if (result - WAIT_OBJECT_0 < count) {
        return set.Handles()[result - WAIT_OBJECT_0];
    }
    return result == WAIT_TIMEOUT ? kNothingFired : kWaitFailed;
}
