// Connecting, what the race of the two links means for the window, and the return to the disconnected state.
#include "ConfigDlgLogic.h"

#include "resources/StringTable.h"
#include "resources/resource.h"

#include "connect/DottedAddress.h"
#include "link/LinkTiming.h"

#include <optional>

namespace {

constexpr int kRefreshIntervalMs = 250;
constexpr unsigned short kNtpPort = 123;

} // namespace

void CConfigDlgLogic::OnConnect() {
    if (m_restart.Phase() == RestartPhase::Waiting) {
        CancelRestartFollow();
        return;
    }
    if (m_race.Phase() != ConnectionPhase::Disconnected) {
        m_restart.End();
        ResetToDisconnected();
        LogAction(WindowAction::Kind::Disconnected);
        return;
    }
    SetEnabled({IDC_DEVICE_ADDRESS}, false);
    SetItemString(IDC_CONNECT, IDS_CANCEL);
    SetItemString(IDC_STATUS_LINE, IDS_SEARCHING);
    // The socket layer reads 010 as 8 and 1.2.3 as 1.2.0.3, so a typed 192.168.042.007 would reach
    // another device: only a plain dotted address is tried, in its normal form.
    const std::optional<Octets> address = ParseDottedAddress(m_view.ItemText(IDC_DEVICE_ADDRESS));
    if (!address) {
        FailAttempt();
        return;
    }
    StartRace(FormatDottedAddress(*address), LinkTiming{});
    ShowTrayState(TrayState::Phase::Connecting);
}

void CConfigDlgLogic::StartRace(const std::string& address, const LinkTiming& timing) {
    // The device at the end of this race may be another one: its clock is not held to the last one's.
    m_clockStep = CClockStep{};
    m_deviceAddress = address;
    if (!m_race.Start(address, timing)) {
        OnAttemptFailed();
    }
}

void CConfigDlgLogic::OnLinkState(const CWorkerThread* link, StateReport report) {
    const LinkSide side = m_race.SideOf(link);
    switch (m_race.OnReport(side, report)) {
    case ReportAction::Accept:
        AcceptLink(side);
        break;
    case ReportAction::FailAttempt:
        OnAttemptFailed();
        break;
    case ReportAction::Lose:
        ResetToDisconnected();
        LogAction(WindowAction::Kind::ConnectionLost);
        if (m_restart.Phase() == RestartPhase::ChangeSent) {
            OnRestartLinkEnded(); // the restart the user confirmed, not a fault
        } else {
            ShowTrayState(TrayState::Phase::Lost);
            ShowError(IDS_CONNECTION_LOST);
        }
        break;
    case ReportAction::Ignore:
    case ReportAction::MarkFailed:
        break;
    }
}

void CConfigDlgLogic::AcceptLink(LinkSide side) {
    m_view.StopTimer(kRestartTimerId);
    m_restart.End();
    SetItemString(IDC_STATUS_LINE, IDS_CONNECTED_PLEASE_WAIT);
    SetEnabled({IDC_DEVICE_ADDRESS}, false);
    SetEnabled({IDC_CONNECT, IDC_STATUS_GROUP}, true);
    SetItemString(IDC_CONNECT, IDS_DISCONNECT);
    for (int id : {IDC_STATUS_FRAME, IDC_GPS_CAPTION, IDC_TIME_SYNC_CAPTION}) {
        m_view.SetStatusActive(id, true);
    }
    m_view.RepaintWindow();
    m_view.StartTimer(kRefreshTimerId, kRefreshIntervalMs);
    const WindowAction connected{.kind = WindowAction::Kind::Connected,
                                 .address = m_deviceAddress,
                                 .link = side == LinkSide::A ? "shell" : "telnet",
                                 .change = {}};
    Announce(m_watch.OnAction(connected, m_utcNow(), m_restartEnvironment.now()));
    ShowTrayState(TrayState::Phase::Connected);
    // Without a thread for it the window goes on without what only the time service tells.
    if (const std::optional<Octets> address = ParseDottedAddress(m_deviceAddress)) {
        (void)m_ntpWatch.Watch(AddressValue(*address), kNtpPort);
    }
    RememberConnectedAddress();
}

void CConfigDlgLogic::OnAttemptFailed() {
    if (m_restart.Phase() != RestartPhase::Waiting) {
        FailAttempt();
        return;
    }
    // A restarting device refuses or ignores its callers for a while; the next try comes at its turn.
    m_race.Stop();
    m_restart.OnTryFailed();
}

void CConfigDlgLogic::FailAttempt() {
    m_view.SetItemText(IDC_STATUS_LINE, std::string());
    m_view.SetItemText(IDC_LOCAL_TIME_LINE, std::string());
    // The box shows over the still connecting window; both links count as stopped already (the
    // connection control's failing step), so no report its nested event loop delivers can act.
    m_race.StopLinks();
    ShowError(IDS_CONNECT_FAILED);
    ResetToDisconnected();
}

void CConfigDlgLogic::ResetToDisconnected() {
    m_view.StopTimer(kRefreshTimerId);
    m_race.Stop();
    m_ntpWatch.Stop();

    SetEnabled({IDC_DEVICE_ADDRESS, IDC_CONNECT}, true);
    m_view.SetItemChecked(IDC_CONNECT, false);
    SetItemString(IDC_CONNECT, IDS_CONNECT);
    SetEnabled({IDC_STATUS_GROUP}, false);
    m_view.SetStatusActive(IDC_STATUS_FRAME, false);
    for (int id : {IDC_STATUS_LINE, IDC_LOCAL_TIME_LINE}) {
        m_view.SetItemText(id, std::string());
    }
    for (int id : {IDC_VERSION_LINE, IDC_LEAP_LINE}) {
        m_view.SetFittedLine(id, std::string());
    }
    for (int lampId : {IDC_GPS_LAMP, IDC_TIME_SYNC_LAMP}) {
        m_view.SetLamp(lampId, IDB_LAMP_GREY);
        m_view.SetLampTooltip(lampId, std::string());
    }
    m_view.SetStatusActive(IDC_GPS_CAPTION, false);
    m_view.SetStatusActive(IDC_TIME_SYNC_CAPTION, false);

    m_view.SetItemChecked(IDC_DHCP, false);
    m_view.SetItemText(IDC_NEW_IP_ADDRESS, std::string());
    m_view.SetItemText(IDC_NEW_GATEWAY, std::string());
    SetPanelEnabled(false);
    ShowTrayState(TrayState::Phase::NotConnected);
    m_view.RepaintWindow();
}
