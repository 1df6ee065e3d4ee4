#include "tests/support/TimeZoneScope.h"

#include "tests/support/Environment.h"

#include <cstdlib>

CTimeZoneScope::CTimeZoneScope(const char* zone) {
    if (const char* previous = std::getenv("TZ")) {
        m_previous = previous;
    }
    SetTestEnvironment("TZ", zone);
    ReloadTimeZone();
}

CTimeZoneScope::~CTimeZoneScope() {
    SetTestEnvironment("TZ", m_previous ? m_previous->c_str() : nullptr);
    ReloadTimeZone();
}
