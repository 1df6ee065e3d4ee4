#pragma once

#include "health/ClockStep.h"
#include "health/DeviceRecord.h"
#include "health/Health.h"

#include <cstdio>
#include <string>
#include <vector>

enum class OutputFormat { Lines, Json, Nagios };

// What a round's report is written as, and against which limits.
struct ReportSettings {
    OutputFormat format = OutputFormat::Lines;
    std::string prometheusPath; // empty: no textfile
    HealthLimits limits;
    // 0 to 3: from 1 the plugin output gives each device's whole reading.
    int verbosity = 0;
};

// Writes text to out and flushes it; false with the system's reason when not all of it was delivered.
bool WriteOutput(std::FILE* out, const std::string& text, std::string& reason);

// Turns each round of records into the chosen output and the Prometheus textfile, and keeps the
// exit status: the worst health of the last round, by the plugins' order, in which a textfile or an
// output that could not be written counts as UNKNOWN. A round with an interrupted device leaves the textfile
// as it was: it would report devices down that were never read. Each device's clock is followed from round to
// round (the records come in the order of the devices every time), so that a watch reports a step of it.
class CReportWriter {
public:
    CReportWriter(ReportSettings settings, std::FILE* out);

    // False when the output could not be written, so that nothing more is worth reading.
    bool Write(const std::vector<DeviceRecord>& records);
    Severity ExitSeverity() const { return m_severity; }

private:
    const ReportSettings m_options;
    std::FILE* m_out;
    Severity m_severity = Severity::Ok;
    std::vector<CClockStep> m_steps; // one for each device
};
