#pragma once

#include <cstdint>

// Every time constant of a device link. Tests shorten them; the defaults are what the device expects.
struct LinkTiming {
    std::uint32_t pacingMs = 1000;            // wait before every send
    std::uint32_t firstPromptLimitMs = 30000; // silence allowed before the first shell prompt is answered
    std::uint32_t promptLimitMs = 10000;      // silence allowed afterwards
    std::uint32_t connectTimeoutMs = 20000;   // connect attempt that nothing answers
};
