#pragma once

#include "ProbeQuery.h"

#include "fleet/DeviceProbe.h"
#include "health/Health.h"
#include "ntpquery/NtpHistoryStore.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

// What one /probe gives back.
struct ProbeAnswer {
    std::string page; // the device's series, then vantrex_probe_success and vantrex_probe_duration_seconds
    bool success = false; // a complete reading
    double seconds = 0;
    bool interrupted = false; // ended by Cancel before the device was read: the page says nothing of it
    std::string localFailure; // why this PC could not read it (no socket, descriptor); else empty
};

// One device read once, as vantrex-status does, within the query's limit, on the program's loop; done is
// called once, on the loop, when the reading ends or is cancelled. Its time service is asked only when
// the probes before, whose checks ntpHistories keeps, did not ask it within kShortestNtpPoll; else the
// page shows their last answer. ground and ntpHistories outlive the run.
class CProbeRun : public std::enable_shared_from_this<CProbeRun> {
public:
    using Clock = std::chrono::steady_clock;

    CProbeRun(const ProbeGround& ground, const ProbeQuery& query, const HealthLimits& limits,
              CNtpHistoryStore& ntpHistories, std::function<void(const CProbeRun&, const ProbeAnswer&)> done);
    ~CProbeRun();
    CProbeRun(const CProbeRun&) = delete;
    CProbeRun& operator=(const CProbeRun&) = delete;

    // Starts the reading.
    void Start();
    // Ends it now: done hears of an interrupted reading, unless it has heard already.
    void Cancel();

private:
    // The probe's news, taken from the loop rather than inside the handler that brought it.
    void OnNews();
    void Finish(const DeviceRecord& record);

    CEventLoop& m_loop;
    const ProbeQuery m_query;
    const HealthLimits m_limits;
    CNtpHistoryStore& m_ntpHistories;
    std::function<void(const CProbeRun&, const ProbeAnswer&)> m_done;
    const Clock::time_point m_start = Clock::now();
    std::unique_ptr<CDeviceProbe> m_probe;
    LoopTimerId m_deadline = 0;
    bool m_newsQueued = false;
};
