#pragma once

#include "DeviceLog.h"

#include "resources/resource.h"

#include "devicelog/ChartPlan.h"

#include <array>
#include <deque>
#include <span>
#include <string>
#include <utility>
#include <vector>

// The log window's severity filter, in the order of its choices.
enum class EventFilter { All, WarningsAndCritical, CriticalOnly };

// The choices of the log window's lists in their order, with their texts' ids; the span starts at an hour.
inline constexpr std::array kSpanChoices = {std::pair{ChartSpan::TenMinutes, IDS_LOG_SPAN_10_MINUTES},
                                            std::pair{ChartSpan::OneHour, IDS_LOG_SPAN_1_HOUR},
                                            std::pair{ChartSpan::OneDay, IDS_LOG_SPAN_24_HOURS}};
inline constexpr int kFirstSpanChoice = 1;
inline constexpr std::array kFilterChoices = {
    std::pair{EventFilter::All, IDS_LOG_FILTER_ALL},
    std::pair{EventFilter::WarningsAndCritical, IDS_LOG_FILTER_WARNINGS},
    std::pair{EventFilter::CriticalOnly, IDS_LOG_FILTER_CRITICAL}};
// The names a screen reader gives the log window's controls that have no text of their own to be named
// by; the buttons are named by their captions.
inline constexpr std::array kLogAccessibleNames = {
    std::pair{IDC_LOG_SPAN, IDS_LOG_NAME_SPAN},     std::pair{IDC_LOG_WARNING, IDS_LOG_NAME_WARNING},
    std::pair{IDC_LOG_CHART, IDS_LOG_NAME_CHART},   std::pair{IDC_LOG_FILTER, IDS_LOG_NAME_FILTER},
    std::pair{IDC_LOG_EVENTS, IDS_LOG_NAME_EVENTS},
};
// The labels of the chart's lamp strips, top to bottom: the main window's captions of its lamps.
inline constexpr std::array kChartStripLabels = {IDS_GPS_LOCK, IDS_TIME_SYNC};
// The event list's columns, in the order of EventRow's cells: first, narrow, whether an event came from
// the journal.
inline constexpr std::array kEventColumns = {IDS_LOG_COLUMN_SEEN, IDS_LOG_COLUMN_UTC, IDS_LOG_COLUMN_LOCAL,
                                             IDS_LOG_COLUMN_EVENT, IDS_LOG_COLUMN_DETAILS};

// One row of the log window's event list, its texts made fit for display (device text escaped).
struct EventRow {
    std::string seen;      // "earlier" for an event read back from the journal; empty for one of this run
    std::string utcTime;   // ISO 8601
    std::string localTime; // this PC's time zone
    std::string event;
    std::string details; // severity, address and the code
    DeviceEvent source;

    // The texts in the order of kEventColumns.
    std::array<const std::string*, kEventColumns.size()> Cells() const {
        return {&seen, &utcTime, &localTime, &event, &details};
    }
};

// The events the filter lets through, newest first.
std::vector<EventRow> ShownRows(const std::deque<LoggedEvent>& events, EventFilter filter);

// Rows as text for the clipboard, whole: one line each, the columns separated by tabs.
std::string RowsText(std::span<const EventRow> rows);

// The events of rows as CSV (EventsCsv), in the rows' order.
std::string RowsCsv(std::span<const EventRow> rows);
