#pragma once

#include "runtime/Lock.h"

#include <cstddef>
#include <string>

// How the last reads of the device list went, and how many devices the exporter watches, for the
// metrics page: a list that could not be read leaves the old one in force, which the page says
// (vantrex_exporter_config_last_reload_successful 0) so that an alert can, not only the log. Thread-safe.
class CReloadRecord {
public:
    // The list read at the start, at seconds since 1970.
    explicit CReloadRecord(double startSeconds) : m_lastSuccessSeconds(startSeconds) {}

    // A read of the list at seconds that succeeded, or one that failed (the old list stays).
    void RecordSuccess(double seconds);
    void RecordFailure();
    void SetDevices(std::size_t devices);

    // The reload families and the device gauge.
    std::string Format() const;

private:
    mutable CLock m_lock;
    bool m_lastSuccessful = true;
    double m_lastSuccessSeconds;
    std::size_t m_devices = 0;
};
