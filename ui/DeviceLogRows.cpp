#include "DeviceLogRows.h"

#include "resources/StringTable.h"
#include "resources/resource.h"

#include "devicelog/EventTime.h"
#include "devicelog/LogCsv.h"
#include "devicetext/DeviceText.h"

namespace {

bool Passes(EventSeverity severity, EventFilter filter) {
    switch (filter) {
    case EventFilter::WarningsAndCritical:
        return severity != EventSeverity::Info;
    case EventFilter::CriticalOnly:
        return severity == EventSeverity::Critical;
    case EventFilter::All:
        break;
    }
    return true;
}

EventRow RowOf(const LoggedEvent& logged) {
    const DeviceEvent& event = logged.event;
    std::string details = std::string(EventSeverityName(event.severity)) + ", " + DeviceText(event.address) +
                          ", " + DeviceText(event.code);
    return EventRow{logged.earlier ? LoadStringResource(IDS_LOG_EARLIER) : "",
                    IsoUtcTime(event.utcMicros),
                    LocalTimeText(event.utcMicros),
                    DeviceText(event.text),
                    std::move(details),
                    event};
}

} // namespace

std::vector<EventRow> ShownRows(const std::deque<LoggedEvent>& events, EventFilter filter) {
    std::vector<EventRow> rows;
    for (auto logged = events.rbegin(); logged != events.rend(); ++logged) {
        if (Passes(logged->event.severity, filter)) {
            rows.push_back(RowOf(*logged));
        }
    }
    return rows;
}

std::string RowsText(std::span<const EventRow> rows) {
    std::string text;
    for (const EventRow& row : rows) {
        for (const std::string* cell : row.Cells()) {
            text += *cell + (cell == row.Cells().back() ? '\n' : '\t');
        }
    }
    return text;
}

std::string RowsCsv(std::span<const EventRow> rows) {
    std::vector<DeviceEvent> events;
    events.reserve(rows.size());
    for (const EventRow& row : rows) {
        events.push_back(row.source);
    }
    return EventsCsv(events);
}
