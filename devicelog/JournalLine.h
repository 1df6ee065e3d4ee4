#pragma once

#include "DeviceEvent.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The longest line the journal reads back; its lines stay far below, as an event's text is cut short
// of kLongestText.
inline constexpr std::size_t kLongestLine = 16384;
inline constexpr std::size_t kLongestText = 2048;

// The event as one line of JSON with its line break: {"time":"2026-12-08T13:41:19.123456Z",
// "micros":...,"address":...,"code":...,"severity":"warning","text":...}. Every text is made valid
// UTF-8 without control characters first (a firmware version is the device's own text), and the text
// cut to kLongestText bytes.
std::string JournalLine(const DeviceEvent& event);

// The event of one line without its line break; nothing for a line that is not one JournalLine wrote:
// cut short by a crash, edited by hand, not UTF-8, with a field missing or of the wrong type, an
// unknown severity, or longer than kLongestLine. The part a crash left before a whole line is skipped.
std::optional<DeviceEvent> ParseJournalLine(std::string_view line);
