#include "ReportWriter.h"

#include "RecordFormat.h"

#include "runtime/FileReplace.h"

CReportWriter::CReportWriter(const StatusOptions& options, std::FILE* out) : m_options(options), m_out(out) {}

void CReportWriter::Write(const std::vector<DeviceRecord>& records) {
    std::vector<AssessedRecord> assessed;
    Severity worst = Severity::Ok;
    for (const DeviceRecord& record : records) {
        assessed.push_back({record, AssessHealth(record, m_options.limits)});
        worst = Worse(worst, assessed.back().health.severity);
    }
    std::string text;
    if (m_options.format == OutputFormat::Nagios) {
        text = FormatNagios(assessed, m_options.limits);
    } else {
        for (const AssessedRecord& one : assessed) {
            text += (m_options.format == OutputFormat::Json ? FormatJson(one) : FormatLine(one)) + '\n';
        }
    }
    std::fputs(text.c_str(), m_out);
    std::fflush(m_out);
    std::string error;
    if (!m_options.prometheusPath.empty() &&
        !ReplaceWholeFile(m_options.prometheusPath, FormatPrometheus(assessed), error)) {
        std::fprintf(stderr, "vantrex-status: %s\n", error.c_str());
        worst = Severity::Unknown;
    }
    m_severity = worst;
}
