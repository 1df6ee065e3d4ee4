#pragma once

#include "DeviceRecord.h"
#include "Health.h"
#include "StatusOptions.h"

#include <cstdio>
#include <vector>

// Turns each round of records into the chosen output and the Prometheus textfile, and keeps the
// exit status: the worst health of the last round (UNKNOWN when the textfile could not be written).
class CReportWriter {
public:
    CReportWriter(const StatusOptions& options, std::FILE* out);

    void Write(const std::vector<DeviceRecord>& records);
    Severity ExitSeverity() const { return m_severity; }

private:
    const StatusOptions& m_options;
    std::FILE* m_out;
    Severity m_severity = Severity::Ok;
};
