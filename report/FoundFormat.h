#pragma once

#include "discover/FoundAddress.h"

#include <string>

// One aligned, human-readable line for an address a search found (no newline): the address, the ports
// that answered, the firmware ("-" when none was read) and the note.
std::string FormatFoundLine(const FoundAddress& found);
// One JSON object on one line (no newline): address, firmware (null when none), note, ports.
std::string FormatFoundJson(const FoundAddress& found);
