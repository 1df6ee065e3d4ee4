#include "Logger.h"

#include "devicetext/DeviceText.h"
#include "runtime/CivilTime.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<const char*, 4> kLevelNames = {"debug", "info", "warn", "error"};
constexpr std::size_t kLongestValue = 1024;

template <typename Value, std::size_t Count>
std::optional<Value> Find(std::string_view text, const std::array<const char*, Count>& names) {
    for (std::size_t index = 0; index < names.size(); ++index) {
        if (text == names[index]) {
            return static_cast<Value>(index);
        }
    }
    return std::nullopt;
}

std::string Timestamp(std::chrono::system_clock::time_point time) {
    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
    std::tm parts{};
    if (!BreakDownTime(static_cast<std::time_t>(milliseconds / 1000), CivilZone::Utc, parts)) {
        return "unknown";
    }
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", parts.tm_year + 1900,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec,
                  static_cast<int>(milliseconds % 1000));
    return text;
}

// Quotes and backslashes escaped; DeviceText has already turned every control character into text.
std::string Escaped(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            escaped += '\\';
        }
        escaped += c;
    }
    return escaped;
}

void AppendLogfmt(std::string& line, std::string_view key, std::string_view value) {
    const std::string safe = OutsideText(value, kLongestValue);
    const bool quoted = safe.empty() || std::any_of(safe.begin(), safe.end(), [](char c) {
                            return c == ' ' || c == '=' || c == '"' || c == '\\';
                        });
    line += line.empty() ? "" : " ";
    line.append(key);
    line += '=';
    line += quoted ? '"' + Escaped(safe) + '"' : safe;
}

void AppendJson(std::string& line, std::string_view key, std::string_view value) {
    line += line.size() > 1 ? "," : "";
    line += '"';
    line.append(key);
    line += "\":\"" + Escaped(OutsideText(value, kLongestValue)) + '"';
}

} // namespace

std::optional<LogLevel> ParseLogLevel(std::string_view text) {
    return Find<LogLevel>(text, kLevelNames);
}

std::optional<LogFormat> ParseLogFormat(std::string_view text) {
    return Find<LogFormat>(text, std::array{"logfmt", "json"});
}

std::string FormatLogLine(LogFormat format, std::chrono::system_clock::time_point time, LogLevel level,
                          std::string_view message, LogFields fields) {
    const auto append = format == LogFormat::Json ? AppendJson : AppendLogfmt;
    std::string line = format == LogFormat::Json ? "{" : "";
    append(line, "ts", Timestamp(time));
    append(line, "level", kLevelNames[static_cast<std::size_t>(level)]);
    append(line, "msg", message);
    for (const auto& [key, value] : fields) {
        append(line, key, value);
    }
    line += format == LogFormat::Json ? "}\n" : "\n";
    return line;
}

void CLogger::Log(LogLevel level, std::string_view message, LogFields fields) const {
    if (!Enabled(level)) {
        return;
    }
    const std::string line =
        FormatLogLine(m_format, std::chrono::system_clock::now(), level, message, fields);
    CLockHold hold(m_lock);
    // A log that cannot be written has nowhere to say so.
    (void)std::fwrite(line.data(), 1, line.size(), m_stream);
    (void)std::fflush(m_stream);
}
