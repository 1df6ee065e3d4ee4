#pragma once

#include "runtime/EventLoop.h"

#include <chrono>
#include <cstdint>

// Runs the loop until condition holds or timeoutMs passes; true when it held.
template <typename Condition>
bool RunLoopUntil(CEventLoop& loop, Condition condition, int timeoutMs) {
    const auto end = CEventLoop::Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (CEventLoop::Clock::now() >= end || loop.Wait(end) < 0) {
            return condition();
        }
    }
    return true;
}

// 127.0.136.last in host byte order: the fleet tests' own addresses.
constexpr std::uint32_t FleetTestAddress(std::uint32_t last) {
    return (127u << 24) | (136u << 8) | last;
}
