#pragma once

#include <cstdint>
#include <string>

// What a search found at one address where at least one port answered.
struct FoundAddress {
    std::uint32_t address = 0; // host byte order
    std::string firmware;      // as the device's shell gave it (at most kVersionLength bytes); empty: none
    bool shellPort = false;    // the shell port took the connection
    bool telnetPort = false;   // the telnet port took the connection; nothing was sent there
};

// One line on what answered: the device's shell, a shell port that did not answer as the device does, or
// only a telnet service (to which no login is ever sent).
const char* FoundNote(const FoundAddress& found);
