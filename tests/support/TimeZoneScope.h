#pragma once

#include <optional>
#include <string>

// Sets this process's time zone (a TZ rule such as "IST-5:30") for one test and restores the one
// before afterwards.
class CTimeZoneScope {
public:
    explicit CTimeZoneScope(const char* zone);
    ~CTimeZoneScope();
    CTimeZoneScope(const CTimeZoneScope&) = delete;
    CTimeZoneScope& operator=(const CTimeZoneScope&) = delete;

private:
    std::optional<std::string> m_previous;
};
