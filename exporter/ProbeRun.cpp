#include "ProbeRun.h"

#include "report/MetricWriter.h"
#include "report/RecordFormat.h"

#include <cstdio>

namespace {

// What of the record is this PC's failure rather than the device's state.
std::string LocalFailure(const DeviceRecord& record) {
    if (record.failureKind == FailureKind::LocalFailure) {
        return record.failure;
    }
    if (record.ntp && record.ntp->failureKind == FailureKind::LocalFailure) {
        return "NTP check: " + record.ntp->failure;
    }
    return "";
}

// "the 9 s deadline", as the record of a probe that reached it says.
std::string DeadlineText(std::chrono::milliseconds deadline) {
    char text[48];
    std::snprintf(text, sizeof text, "the %g s deadline", std::chrono::duration<double>(deadline).count());
    return text;
}

} // namespace

CProbeRun::CProbeRun(const ProbeGround& ground, const ProbeQuery& query, const HealthLimits& limits,
                     CNtpHistoryStore& ntpHistories,
                     std::function<void(const CProbeRun&, const ProbeAnswer&)> done)
    : m_loop(ground.loop), m_query(query), m_limits(limits), m_ntpHistories(ntpHistories),
      m_done(std::move(done)) {
    const DeviceAddress& device = m_query.target;
    m_probe = std::make_unique<CDeviceProbe>(
        ground, device.text, device.value, m_query.settings.probe, m_ntpHistories.Take(device.value, m_start),
        [this] {
            // Called inside a link's handler, which the probe's Update may end: looked at from the loop.
            if (!std::exchange(m_newsQueued, true)) {
                (void)m_loop.StartTimer(Clock::now(), [weak = weak_from_this()](unsigned) {
                    if (const std::shared_ptr<CProbeRun> self = weak.lock()) {
                        self->OnNews();
                    }
                });
            }
        });
}

CProbeRun::~CProbeRun() {
    if (m_deadline != 0) {
        m_loop.CancelTimer(m_deadline);
    }
}

void CProbeRun::Start() {
    m_probe->Start(m_start);
    m_deadline = m_loop.StartTimer(m_start + m_query.settings.deadline, [weak = weak_from_this()](unsigned) {
        if (const std::shared_ptr<CProbeRun> self = weak.lock(); self && self->m_probe) {
            self->m_deadline = 0;
            const Clock::time_point now = Clock::now();
            self->m_probe->Expire(DeadlineText(self->m_query.settings.deadline), now);
            self->Finish(self->m_probe->Record(now));
        }
    });
}

void CProbeRun::Cancel() {
    if (m_probe) {
        DeviceRecord record;
        record.address = m_query.target.text;
        record.failure = "interrupted";
        record.interrupted = true;
        Finish(record);
    }
}

void CProbeRun::OnNews() {
    m_newsQueued = false;
    if (!m_probe) {
        return;
    }
    const Clock::time_point now = Clock::now();
    if (m_probe->Update(now) != ProbePhase::Reading && !m_probe->IsNtpRunning()) {
        Finish(m_probe->Record(now));
    }
}

void CProbeRun::Finish(const DeviceRecord& record) {
    m_ntpHistories.Keep(m_query.target.value, m_probe->NtpHistory(), Clock::now());
    m_probe.reset(); // its links close
    ProbeAnswer answer;
    answer.seconds = std::chrono::duration<double>(Clock::now() - m_start).count();
    answer.success = record.reachable;
    answer.interrupted = record.interrupted;
    answer.localFailure = LocalFailure(record);
    CMetricWriter writer;
    writer.Family("vantrex_probe_success", "Whether the probe gave a complete reading of the device.");
    writer.Sample("vantrex_probe_success", "", answer.success ? 1 : 0);
    writer.Family("vantrex_probe_duration_seconds", "How long the probe took.");
    writer.Sample("vantrex_probe_duration_seconds", "", answer.seconds);
    answer.page = FormatPrometheus({{record, AssessHealth(record, m_limits)}}) + writer.Text();
    // Done may end this run: nothing of it is used after.
    std::function<void(const CProbeRun&, const ProbeAnswer&)> done = std::move(m_done);
    done(*this, answer);
}
