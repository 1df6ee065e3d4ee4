#include "ReportWriter.h"

#include "NagiosOutput.h"
#include "RecordFormat.h"

#include "devicetext/DeviceText.h"
#include "runtime/FileReplace.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

bool WriteOutput(std::FILE* out, const std::string& text, std::string& reason) {
    // A buffered write succeeds before the output refuses it: only the flush tells.
    if (std::fwrite(text.data(), 1, text.size(), out) != text.size() || std::fflush(out) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    return true;
}

CReportWriter::CReportWriter(ReportSettings settings, std::FILE* out)
    : m_options(std::move(settings)), m_out(out) {}

bool CReportWriter::Write(const std::vector<DeviceRecord>& records) {
    std::vector<AssessedRecord> assessed;
    Severity worst = Severity::Ok;
    m_steps.resize(records.size());
    const CClockStep::Clock::time_point now = CClockStep::Clock::now();
    for (std::size_t index = 0; index < records.size(); ++index) {
        Health health = AssessHealth(records[index], m_options.limits);
        if (std::optional<Problem> step = m_steps[index].Update(records[index], now)) {
            AddProblem(health, std::move(*step));
        }
        worst = Worse(worst, health.severity);
        assessed.push_back({records[index], std::move(health)});
    }
    const bool interrupted =
        std::any_of(records.begin(), records.end(), [](const DeviceRecord& r) { return r.interrupted; });
    // The textfile first, so that the status line can say it failed.
    std::string fileFailure;
    const bool textfile = !m_options.prometheusPath.empty();
    if (textfile && interrupted) {
        std::fprintf(stderr, "vantrex-status: interrupted; '%s' is left as it was\n",
                     DeviceText(m_options.prometheusPath).c_str());
    } else if (textfile && !ReplaceWholeFile(m_options.prometheusPath, FormatPrometheus(assessed),
                                             LinkAtPath::FollowToRegularFile, fileFailure)) {
        // The failure names the path as it was given, which may hold bytes a terminal would act on.
        fileFailure = DeviceText(fileFailure);
        std::fprintf(stderr, "vantrex-status: %s\n", fileFailure.c_str());
        worst = Worse(worst, Severity::Unknown);
    }
    std::string text;
    if (m_options.format == OutputFormat::Nagios) {
        text = FormatNagios(assessed, m_options.limits, m_options.verbosity, fileFailure);
    } else {
        for (const AssessedRecord& one : assessed) {
            text += (m_options.format == OutputFormat::Json ? FormatJson(one) : FormatLine(one)) + '\n';
        }
    }
    std::string reason;
    const bool delivered = WriteOutput(m_out, text, reason);
    if (!delivered) {
        std::fprintf(stderr, "vantrex-status: cannot write the output: %s\n", reason.c_str());
        worst = Worse(worst, Severity::Unknown);
    }
    m_severity = worst;
    return delivered;
}
