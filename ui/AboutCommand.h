#pragma once

#include "resources/StringTable.h"
#include "resources/resource.h"

#include <cstdint>
#include <string>

// The system-menu command that opens the About box.
inline constexpr unsigned kIdmAboutBox = 0x0010;

// Whether a system-menu command is the About item: Windows keeps the low four bits of a command for
// itself, so only bits 4 to 15 are compared.
constexpr bool IsAboutCommand(std::uint64_t command) {
    return (command & 0xFFF0U) == kIdmAboutBox;
}

// The About item's text; empty: the window offers no About item.
inline std::string AboutCommandText() {
    return LoadStringResource(IDS_ABOUTBOX);
}
