#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What a search found at one address where at least one port answered.
struct FoundAddress {
    std::uint32_t address = 0; // host byte order
    std::string firmware;      // as the device's shell gave it (at most kVersionLength bytes); empty: none
    std::optional<unsigned short> shellPort;  // the shell port, when it took the connection
    std::optional<unsigned short> telnetPort; // the telnet port, when it took the connection (nothing sent)
};

// What answered at an address.
enum class FoundKind {
    Device,     // the device's shell, with its firmware version
    NotADevice, // a shell port that did not answer as the device does
    TelnetOnly, // only a telnet service, to which no login is ever sent
};

FoundKind KindOf(const FoundAddress& found);

// One line on what answered, by its kind.
const char* FoundNote(const FoundAddress& found);
