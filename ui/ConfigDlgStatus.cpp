// The live status display: four refreshes a second while connected.
#include "ConfigDlgLogic.h"

#include "resources/StringTable.h"
#include "resources/resource.h"
#include "ui/LampTips.h"
#include "ui/LeapLine.h"
#include "ui/StatusDisplay.h"

#include "connect/LinkRecord.h"

#include <algorithm>

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

void CConfigDlgLogic::OnRefresh() {
    // A device that went on answering long after it took the change has not restarted: the panel may
    // serve again, and the user must know the change may not have been made.
    const bool restartMissed = m_restart.OnStillConnected(m_restartEnvironment.now());
    const StatusReading reading = ReadStatus(ActiveLink());
    const StatusView view = ComputeStatusView(reading, m_bPanelEnabled, LoadStringResource);
    // After a confirmed change the panel stays off: the device is about to restart, and a second change
    // must not reach it.
    const bool mayEnable = m_restart.Phase() == RestartPhase::Idle;
    if (view.panel == PanelTransition::Disable || (view.panel == PanelTransition::Enable && mayEnable)) {
        SetPanelEnabled(view.panel == PanelTransition::Enable);
    }
    m_view.SetItemText(IDC_STATUS_LINE, view.statusLine);
    if (view.localLine) {
        m_view.SetItemText(IDC_LOCAL_TIME_LINE, *view.localLine);
    }
    m_view.SetLamp(IDC_TIME_SYNC_LAMP, view.timeSyncLampBitmap);
    m_view.SetLamp(IDC_GPS_LAMP, view.gpsLampBitmap);
    const std::optional<NtpResult> ntp = m_ntpWatch.Latest();
    DeviceRecord record;
    const Health health = AssessLink(ActiveLink(), ntp, m_clockStep, m_restartEnvironment.now(), record);
    m_view.SetLampTooltip(IDC_TIME_SYNC_LAMP,
                          LampTip(IDC_TIME_SYNC_LAMP, reading.timeSync, health, LoadStringResource));
    m_view.SetLampTooltip(IDC_GPS_LAMP, LampTip(IDC_GPS_LAMP, reading.gps, health, LoadStringResource));
    m_view.SetFittedLine(IDC_VERSION_LINE, view.versionLine);
    m_view.SetFittedLine(IDC_LEAP_LINE, ntp ? LeapLine(*ntp, LoadStringResource) : std::string());
    const std::optional<TimedClockReading> clock = ActiveLink().LastClockReading();
    Announce(m_watch.OnReading(record, health, m_ntpWatch.IsStarted() && !ntp,
                               clock ? std::optional(clock->answeredPcMicros) : std::nullopt, m_utcNow(),
                               m_restartEnvironment.now()));
    ShowTrayState(TrayState::Phase::Connected, reading.gps, reading.timeSync,
                  static_cast<std::size_t>(std::ranges::count_if(health.problems, IsNewsOfItsOwn)));
    if (restartMissed) {
        // The device stayed where it was: its readings count again from here.
        LogAction(WindowAction::Kind::ChangeNotTaken);
        ShowError(IDS_NO_RESTART);
    }
}

// The only place that enables the address change panel; the address edits and their labels follow the
// DHCP tick when it is enabled.
void CConfigDlgLogic::SetPanelEnabled(bool enabled) {
    m_bPanelEnabled = enabled;
    const bool addressesEnabled = enabled && !m_view.IsItemChecked(IDC_DHCP);
    SetEnabled({IDC_CHANGE_IP_GROUP, IDC_DHCP}, enabled);
    SetEnabled({IDC_NEW_IP_ADDRESS, IDC_NEW_SUBNET_MASK, IDC_NEW_GATEWAY, IDC_IP_ADDRESS_LABEL,
                IDC_SUBNET_MASK_LABEL, IDC_GATEWAY_LABEL},
               addressesEnabled);
    SetEnabled({IDC_APPLY, IDC_MAC_GROUP, IDC_MAC_ADDRESS, IDC_NEW_MAC_ADDRESS, IDC_MAC_APPLY}, enabled);
}
