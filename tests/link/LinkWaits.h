#pragma once

#include "link/DeviceLink.h"

#include <chrono>
#include <thread>

// Polls condition every few milliseconds until it holds or timeoutMs passes; true when it held.
template <typename Condition>
bool WaitUntil(Condition condition, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

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
