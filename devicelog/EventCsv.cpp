#include "EventCsv.h"

#include "EventTime.h"

#include "link/DeviceText.h"

#include <string_view>

namespace {

constexpr std::string_view kHeader = "time_utc,address,severity,code,text\r\n";

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

} // namespace

std::string EventsCsv(std::span<const DeviceEvent> events) {
    std::string csv(kHeader);
    for (const DeviceEvent& event : events) {
        const std::string fields[] = {IsoUtcTime(event.utcMicros), SpreadsheetSafe(DeviceText(event.address)),
                                      EventSeverityName(event.severity),
                                      SpreadsheetSafe(DeviceText(event.code)),
                                      SpreadsheetSafe(DeviceText(event.text))};
        for (const std::string& field : fields) {
            if (&field != &fields[0]) {
                csv += ',';
            }
            AppendField(csv, field);
        }
        csv += "\r\n";
    }
    return csv;
}
