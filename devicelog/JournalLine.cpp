#include "JournalLine.h"

#include "EventTime.h"

#include "devicetext/DeviceText.h"

#include <nlohmann/json.hpp>

namespace {

// Cut at a character's start, so that the text stays valid UTF-8.
std::string CutShort(std::string text) {
    if (text.size() <= kLongestText) {
        return text;
    }
    std::size_t end = kLongestText;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    text.resize(end);
    return text;
}

const nlohmann::json* Field(const nlohmann::json& object, const char* name) {
    const auto found = object.find(name);
    return found == object.end() ? nullptr : &*found;
}

std::optional<std::string> TextField(const nlohmann::json& object, const char* name) {
    const nlohmann::json* field = Field(object, name);
    return field != nullptr && field->is_string() ? std::optional(field->get<std::string>()) : std::nullopt;
}

// The event of a line that is exactly one JournalLine.
std::optional<DeviceEvent> ParseWholeLine(std::string_view line) {
    // Without exceptions: a damaged line is discarded, as is any other value than an object.
    const nlohmann::json object = nlohmann::json::parse(line, nullptr, false);
    if (!object.is_object()) {
        return std::nullopt;
    }
    const nlohmann::json* micros = Field(object, "micros");
    const std::optional<std::string> address = TextField(object, "address");
    const std::optional<std::string> code = TextField(object, "code");
    const std::optional<std::string> severityName = TextField(object, "severity");
    const std::optional<std::string> text = TextField(object, "text");
    const std::optional<EventSeverity> severity =
        severityName ? EventSeverityNamed(*severityName) : std::nullopt;
    if (micros == nullptr || !micros->is_number_integer() || !address || !code || !severity || !text) {
        return std::nullopt;
    }
    return DeviceEvent{micros->get<std::int64_t>(), *address, *code, *severity, *text};
}

} // namespace

std::string JournalLine(const DeviceEvent& event) {
    const nlohmann::json line = {
        // For people reading the file; "micros" is what is read back.
        {"time", IsoUtcTime(event.utcMicros)},           {"micros", event.utcMicros},
        {"address", DeviceText(event.address)},          {"code", DeviceText(event.code)},
        {"severity", EventSeverityName(event.severity)}, {"text", CutShort(DeviceText(event.text))},
    };
    // Everything is valid UTF-8 already; replace rather than throw should that ever change.
    return line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + '\n';
}

std::optional<DeviceEvent> ParseJournalLine(std::string_view line) {
    if (line.size() > kLongestLine) {
        return std::nullopt;
    }
    std::optional<DeviceEvent> event = ParseWholeLine(line);
    // A crash can leave part of a line that the next writer's line continues. Within a line's strings
    // every quote is escaped, so that line's object starts at the last brace before a quote.
    const std::size_t lastStart = line.rfind("{\"");
    if (!event && lastStart != std::string_view::npos && lastStart > 0) {
        event = ParseWholeLine(line.substr(lastStart));
    }
    return event;
}
