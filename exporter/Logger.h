#pragma once

#include "runtime/Lock.h"

#include <chrono>
#include <cstdio>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

enum class LogLevel { Debug, Info, Warn, Error };
enum class LogFormat { Logfmt, Json };

// --log.level and --log.format as the exporters spell them ("debug", "logfmt"); none for anything else.
std::optional<LogLevel> ParseLogLevel(std::string_view text);
std::optional<LogFormat> ParseLogFormat(std::string_view text);

// Key and value; keys are the program's own words, values may come from anyone (a client's path).
using LogFields = std::initializer_list<std::pair<std::string_view, std::string_view>>;

// One line: ts (UTC, milliseconds), level, msg, then the fields, each value made valid UTF-8 without
// control characters and escaped for the format, so that no value can forge a field or a line.
std::string FormatLogLine(LogFormat format, std::chrono::system_clock::time_point time, LogLevel level,
                          std::string_view message, LogFields fields);

// The program's log: lines at or above a level, each written whole to one stream. Thread-safe.
class CLogger {
public:
    CLogger(LogLevel least, LogFormat format, std::FILE* stream = stderr)
        : m_least(least), m_format(format), m_stream(stream) {}

    bool Enabled(LogLevel level) const { return level >= m_least; }
    void Log(LogLevel level, std::string_view message, LogFields fields = {}) const;

private:
    const LogLevel m_least;
    const LogFormat m_format;
    std::FILE* const m_stream;
    mutable CLock m_lock;
};
