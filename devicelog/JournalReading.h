#pragma once

#include "LogReading.h"

#include <optional>
#include <string>
#include <string_view>

// A reading of the chart as the journal keeps it, with the device it was read of.
struct JournalReading {
    std::string address;
    LogReading reading;

    friend bool operator==(const JournalReading&, const JournalReading&) = default;
};

// The reading as one line of JSON with its line break, its keys in order: {"address":...,"micros":...,
// "reading":{"gps":"on","sync":"off","starts_run":true,"offset":...,"uncertainty":...,"peer_offset":...,
// "peer_jitter":...},"time":...}, the values only where they were read. An event's reader skips it: it has no
// code.
std::string JournalReadingLine(const JournalReading& reading);

// The reading of one line without its line break; nothing for any line JournalReadingLine did not
// write whole (an event's included). The part a crash left before a whole line is skipped.
std::optional<JournalReading> ParseJournalReading(std::string_view line);
