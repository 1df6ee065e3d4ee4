#pragma once

#include "health/DeviceRecord.h"
#include "health/Health.h"

#include <string>
#include <vector>

// A device's record with its assessed health, as the output formats take it.
struct AssessedRecord {
    DeviceRecord record;
    Health health;
};

// One aligned, human-readable line (no newline).
std::string FormatLine(const AssessedRecord& assessed);
// One JSON object on one line (no newline).
std::string FormatJson(const AssessedRecord& assessed);
// The whole Prometheus textfile for these records; a record that says nothing of its device (pending,
// or a failure of this PC) has no samples, and an NTP check that says nothing has no vantrex_ntp_up and
// no vantrex_problem. Each current problem is one vantrex_problem sample, labelled with its code, and one
// vantrex_problem_severity sample whose value is its severity (the exit status of vantrex-status).
std::string FormatPrometheus(const std::vector<AssessedRecord>& records);

// A Unix time in microseconds as ISO 8601 UTC with microseconds: 2024-01-02T03:04:05.000006Z.
std::string FormatIsoUtc(std::int64_t unixMicros);
