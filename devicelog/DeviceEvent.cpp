#include "DeviceEvent.h"

namespace {

constexpr EventSeverity kSeverities[] = {EventSeverity::Info, EventSeverity::Warning,
                                         EventSeverity::Critical};

} // namespace

const char* EventSeverityName(EventSeverity severity) {
    switch (severity) {
    case EventSeverity::Info:
        return "info";
    case EventSeverity::Warning:
        return "warning";
    case EventSeverity::Critical:
        break;
    }
    return "critical";
}

std::optional<EventSeverity> EventSeverityNamed(std::string_view name) {
    for (const EventSeverity severity : kSeverities) {
        if (name == EventSeverityName(severity)) {
            return severity;
        }
    }
    return std::nullopt;
}
