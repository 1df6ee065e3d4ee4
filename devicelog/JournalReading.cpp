#include "JournalReading.h"

#include "EventTime.h"
#include "JournalLine.h"

#include "devicetext/DeviceText.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <limits>

namespace {

constexpr std::pair<LampState, const char*> kLampNames[] = {
    {LampState::Unknown, "unknown"}, {LampState::Off, "off"}, {LampState::On, "on"}};

const char* LampName(LampState lamp) {
    for (const auto& [state, name] : kLampNames) {
        if (state == lamp) {
            return name;
        }
    }
    return "unknown";
}

std::optional<LampState> LampNamed(const nlohmann::json& object, const char* field) {
    const auto found = object.find(field);
    if (found == object.end() || !found->is_string()) {
        return std::nullopt;
    }
    for (const auto& [state, name] : kLampNames) {
        if (found->get<std::string>() == name) {
            return state;
        }
    }
    return std::nullopt;
}

// A number of the field that a float holds, as the reading keeps most of them; nothing when it is absent,
// anything else, or beyond (which a conversion to float could not take).
std::optional<double> NumberField(const nlohmann::json& object, const char* field) {
    const auto found = object.find(field);
    if (found == object.end() || !found->is_number()) {
        return std::nullopt;
    }
    const double value = found->get<double>();
    if (!std::isfinite(value) || std::abs(value) > std::numeric_limits<float>::max()) {
        return std::nullopt;
    }
    return value;
}

// Both values of a pair or neither: one without the other is a damaged line.
bool ReadPair(const nlohmann::json& object, const char* first, const char* second, double& a, double& b,
              bool& present) {
    const std::optional<double> one = NumberField(object, first);
    const std::optional<double> two = NumberField(object, second);
    present = one && two;
    a = one.value_or(0);
    b = two.value_or(0);
    return one.has_value() == two.has_value() && object.contains(first) == one.has_value() &&
           object.contains(second) == two.has_value();
}

std::optional<JournalReading> ParseWholeReading(std::string_view line) {
    const nlohmann::json object = nlohmann::json::parse(line, nullptr, false);
    if (!object.is_object()) {
        return std::nullopt;
    }
    const auto micros = object.find("micros");
    const auto address = object.find("address");
    const auto values = object.find("reading");
    if (micros == object.end() || !micros->is_number_integer() || address == object.end() ||
        !address->is_string() || values == object.end() || !values->is_object()) {
        return std::nullopt;
    }
    const std::optional<LampState> gps = LampNamed(*values, "gps");
    const std::optional<LampState> sync = LampNamed(*values, "sync");
    const auto startsRun = values->find("starts_run");
    if (!gps || !sync || startsRun == values->end() || !startsRun->is_boolean()) {
        return std::nullopt;
    }
    LogReading reading;
    reading.pcUnixMicros = micros->get<std::int64_t>();
    reading.gps = *gps;
    reading.timeSync = *sync;
    reading.startsRun = startsRun->get<bool>();
    double offset = 0;
    double uncertainty = 0;
    double peerOffset = 0;
    double peerJitter = 0;
    bool hasOffset = false;
    bool hasPeer = false;
    if (!ReadPair(*values, "offset", "uncertainty", offset, uncertainty, hasOffset) ||
        !ReadPair(*values, "peer_offset", "peer_jitter", peerOffset, peerJitter, hasPeer)) {
        return std::nullopt;
    }
    reading.hasOffset = hasOffset;
    reading.offsetSeconds = offset;
    reading.uncertaintySeconds = static_cast<float>(uncertainty);
    reading.hasPeer = hasPeer;
    reading.peerOffsetSeconds = static_cast<float>(peerOffset);
    reading.peerJitterSeconds = static_cast<float>(peerJitter);
    return JournalReading{address->get<std::string>(), reading};
}

} // namespace

std::string JournalReadingLine(const JournalReading& reading) {
    const LogReading& values = reading.reading;
    nlohmann::json read = {{"gps", LampName(values.gps)},
                           {"sync", LampName(values.timeSync)},
                           {"starts_run", static_cast<bool>(values.startsRun)}};
    if (values.hasOffset) {
        read["offset"] = values.offsetSeconds;
        read["uncertainty"] = values.uncertaintySeconds;
    }
    if (values.hasPeer) {
        read["peer_offset"] = values.peerOffsetSeconds;
        read["peer_jitter"] = values.peerJitterSeconds;
    }
    const nlohmann::json line = {{"time", IsoUtcTime(values.pcUnixMicros)},
                                 {"micros", values.pcUnixMicros},
                                 {"address", DeviceText(reading.address)},
                                 {"reading", read}};
    return line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + '\n';
}

std::optional<JournalReading> ParseJournalReading(std::string_view line) {
    if (line.size() > kLongestLine) {
        return std::nullopt;
    }
    std::optional<JournalReading> reading = ParseWholeReading(line);
    // A crash can leave part of a line that the next writer's line continues; every line starts so.
    const std::size_t lastStart = line.rfind("{\"address\"");
    if (!reading && lastStart != std::string_view::npos && lastStart > 0) {
        reading = ParseWholeReading(line.substr(lastStart));
    }
    return reading;
}
