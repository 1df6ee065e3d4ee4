#pragma once

#include <cstdint>

// Every time constant of a device link. Tests shorten them; the defaults are what the device expects.
struct LinkTiming {
    std::uint32_t pacingMs = 1000; // wait before every send
    // Wait before each poll once the device has been read whole, when longer than pacingMs: a watch that
    // reports every ten seconds gains nothing from a reading every second, and costs the device as much.
    std::uint32_t pollPacingMs = 0;
    std::uint32_t firstPromptLimitMs = 30000; // silence allowed before the first shell prompt is answered
    std::uint32_t promptLimitMs = 10000;      // silence allowed afterwards
    std::uint32_t connectTimeoutMs = 20000;   // connect attempt that nothing answers
};
