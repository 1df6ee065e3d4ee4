#pragma once

#include "link/DeviceLink.h"
#include "tests/support/WaitUntil.h"

#include <chrono>
#include <thread>

// Waits up to timeoutMs until the link's latest report is state.
inline bool WaitForState(const CDeviceLink& link, int state, int timeoutMs) {
    return WaitUntil([&] { return link.GetState() == state; }, timeoutMs);
}

// Milliseconds that action takes to run.
template <typename Action>
double MeasureMs(Action action) {
    const auto start = std::chrono::steady_clock::now();
    action();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}
