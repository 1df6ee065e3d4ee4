#pragma once

#include "DeviceLog.h"

#include <deque>
#include <span>
#include <string>
#include <vector>

// The log window's severity filter, in the order of its choices.
enum class EventFilter { All, WarningsAndCritical, CriticalOnly };

// One row of the log window's event list, its texts made fit for display (device text escaped).
struct EventRow {
    std::string utcTime;   // ISO 8601
    std::string localTime; // this PC's time zone
    std::string event;
    std::string details; // severity, address, the code, and whether it came from the journal
    DeviceEvent source;
};

// The events the filter lets through, newest first.
std::vector<EventRow> ShownRows(const std::deque<LoggedEvent>& events, EventFilter filter);

// Rows as text for the clipboard: one line each, the columns separated by tabs.
std::string RowsText(std::span<const EventRow> rows);
