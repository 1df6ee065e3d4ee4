#include "LogCsv.h"

#include "EventTime.h"

#include "devicetext/DeviceText.h"

#include <cstdio>
#include <string_view>

namespace {

constexpr std::string_view kEventsHeader = "time_utc,address,severity,code,text\r\n";
constexpr std::string_view kReadingsHeader = "time_utc,offset_s,uncertainty_s,gps_lock,time_sync\r\n";

std::string SpreadsheetSafe(std::string text) {
    if (!text.empty() && std::string_view("=+-@").find(text.front()) != std::string_view::npos) {
        text.insert(0, 1, '\'');
    }
    return text;
}

void AppendField(std::string& csv, std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        csv += text;
        return;
    }
    csv += '"';
    for (char c : text) {
        csv += c;
        if (c == '"') {
            csv += '"';
        }
    }
    csv += '"';
}

void AppendRow(std::string& csv, std::span<const std::string> fields) {
    for (const std::string& field : fields) {
        if (&field != &fields.front()) {
            csv += ',';
        }
        AppendField(csv, field);
    }
    csv += "\r\n";
}

std::string Seconds(double seconds) {
    char text[64];
    std::snprintf(text, sizeof text, "%.6f", seconds);
    return text;
}

std::string Lamp(LampState state) {
    switch (state) {
    case LampState::On:
        return "1";
    case LampState::Off:
        return "0";
    case LampState::Unknown:
        break;
    }
    return std::string();
}

} // namespace

std::string EventsCsv(std::span<const DeviceEvent> events) {
    std::string csv(kEventsHeader);
    for (const DeviceEvent& event : events) {
        const std::string fields[] = {IsoUtcTime(event.utcMicros), SpreadsheetSafe(DeviceText(event.address)),
                                      EventSeverityName(event.severity),
                                      SpreadsheetSafe(DeviceText(event.code)),
                                      SpreadsheetSafe(DeviceText(event.text))};
        AppendRow(csv, fields);
    }
    return csv;
}

std::string ReadingsCsv(std::span<const LogReading> readings) {
    std::string csv(kReadingsHeader);
    for (const LogReading& reading : readings) {
        const std::string fields[] = {IsoUtcTime(reading.pcUnixMicros),
                                      reading.hasOffset ? Seconds(reading.offsetSeconds) : std::string(),
                                      reading.hasOffset ? Seconds(reading.uncertaintySeconds) : std::string(),
                                      Lamp(reading.gps), Lamp(reading.timeSync)};
        AppendRow(csv, fields);
    }
    return csv;
}
