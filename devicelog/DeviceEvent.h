#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// How much an event matters, for the log window's filter. Where a health rule applies, its severity.
enum class EventSeverity { Info, Warning, Critical };

// One event of the device log.
struct DeviceEvent {
    std::int64_t utcMicros = 0; // this PC's clock when it happened
    std::string address;        // the device's address at the time
    std::string code;           // stable, for filters and scripts: "gps-lock-lost", "problem-found:offset"
    EventSeverity severity = EventSeverity::Info;
    std::string text; // one line for people, with the values it is about

    friend bool operator==(const DeviceEvent&, const DeviceEvent&) = default;
};

// "info", "warning" or "critical".
const char* EventSeverityName(EventSeverity severity);

// The severity of a name EventSeverityName gives; nothing for any other text.
std::optional<EventSeverity> EventSeverityNamed(std::string_view name);
