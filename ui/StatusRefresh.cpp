#include "StatusRefresh.h"

#include "LampTips.h"
#include "LeapLine.h"
#include "StatusDisplay.h"

#include "resources/StringTable.h"
#include "resources/resource.h"

#include "connect/LinkRecord.h"

#include <algorithm>
#include <optional>

namespace {

StatusReading ReadStatus(const CRacingLink& link) {
    StatusReading reading;
    reading.deviceTime = link.CurrentDeviceTime();
    reading.macUnassigned = link.IsMacUnassigned() != 0;
    reading.timeSync = link.TimeSyncState();
    reading.gps = link.GpsState();
    reading.firmwareVersion = link.FirmwareVersion();
    return reading;
}

// The device judged as vantrex-status judges it. Only an answer of the time service is judged: the window
// asks it on the side, and a query that goes unanswered may be a firewall between this PC and the device,
// of which the link, alive, says nothing. record is left as judged, for the device log.
Health AssessLink(const CRacingLink& link, const std::optional<NtpResult>& ntp, CClockStep& clockStep,
                  CClockStep::Clock::time_point now, DeviceRecord& record) {
    record.reachable = true;
    FillFromLink(link, record);
    if (ntp && ntp->answered) {
        record.ntp = ntp;
    }
    Health health = AssessHealth(record, HealthLimits{});
    if (std::optional<Problem> step = clockStep.Update(record, now)) {
        AddProblem(health, std::move(*step));
    }
    return health;
}

} // namespace

void CStatusRefresh::Refresh(bool panelMayEnable, CClockStep::Clock::time_point now) {
    const CRacingLink& link = m_connection.ActiveLink();
    const StatusReading reading = ReadStatus(link);
    const StatusView view = ComputeStatusView(reading, m_panel.Enabled(), LoadStringResource);
    if (view.panel == PanelTransition::Disable || (view.panel == PanelTransition::Enable && panelMayEnable)) {
        m_panel.SetEnabled(view.panel == PanelTransition::Enable);
    }
    m_view.SetItemText(IDC_STATUS_LINE, view.statusLine);
    if (view.localLine) {
        m_view.SetItemText(IDC_LOCAL_TIME_LINE, *view.localLine);
    }
    m_view.SetLamp(IDC_TIME_SYNC_LAMP, view.timeSyncLampBitmap);
    m_view.SetLamp(IDC_GPS_LAMP, view.gpsLampBitmap);
    const CNtpWatch& timeService = m_connection.TimeService();
    const std::optional<NtpResult> ntp = timeService.Latest();
    DeviceRecord record;
    const Health health = AssessLink(link, ntp, m_clockStep, now, record);
    m_view.SetLampTooltip(IDC_TIME_SYNC_LAMP,
                          LampTip(IDC_TIME_SYNC_LAMP, reading.timeSync, health, LoadStringResource));
    m_view.SetLampTooltip(IDC_GPS_LAMP, LampTip(IDC_GPS_LAMP, reading.gps, health, LoadStringResource));
    m_view.SetFittedLine(IDC_VERSION_LINE, view.versionLine);
    m_view.SetFittedLine(IDC_LEAP_LINE, ntp ? LeapLine(*ntp, LoadStringResource) : std::string());
    const std::optional<TimedClockReading> clock = link.LastClockReading();
    m_feed.OnReading(record, health, timeService.IsStarted() && !ntp,
                     clock ? std::optional(clock->answeredPcMicros) : std::nullopt);
    // The tip says what is known: an out lamp after an unreadable answer is no word of the receiver.
    m_feed.ShowTrayState(TrayState::Phase::Connected, record.gpsLocked, reading.timeSync,
                         static_cast<std::size_t>(std::ranges::count_if(health.problems, IsNewsOfItsOwn)));
}
