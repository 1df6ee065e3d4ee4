#include "ConfigDlgLogic.h"

#include "DialogItems.h"
#include "RestartTexts.h"

#include "resources/StringTable.h"
#include "resources/resource.h"

#include "link/DeviceLink.h"

#include <optional>
#include <utility>

CConfigDlgLogic::CConfigDlgLogic(CDialogView& view, PostStateReport post, LocalNetworksReader localNetworks)
    : CConfigDlgLogic(view,
                      RacingLinks{std::make_unique<CDeviceLink>(std::string()),
                                  std::make_unique<CDeviceLink>(std::string())},
                      std::move(post), std::move(localNetworks)) {
    std::string warning;
    m_feed.Log().SetJournal(UserJournalPath(warning));
    m_feed.Log().SetWarning(std::move(warning));
}

CConfigDlgLogic::CConfigDlgLogic(CDialogView& view, RacingLinks links, PostStateReport post,
                                 LocalNetworksReader localNetworks)
    : m_view(view), m_feed(view, m_environment, kAlarmTimerId), m_panel(view), m_addressBox(view),
      m_connection(view, std::move(links), std::move(post), m_feed, m_panel, kRefreshTimerId),
      m_status(view, m_connection, m_feed, m_panel),
      m_follower(view, m_feed, m_environment, kRestartTimerId) {
    m_environment.localNetworks = std::move(localNetworks);
}

void CConfigDlgLogic::SetRestartEnvironment(RestartEnvironment environment) {
    m_environment = std::move(environment);
    m_follower.SetTiming(m_environment.timing);
}

void CConfigDlgLogic::OnInitDialog() {
    m_connection.ShowStartTexts();
    m_addressBox.ShowStartTexts();
    m_panel.ShowStartTexts();
    SetItemString(m_view, IDC_QUIT, IDS_CLOSE);
    m_view.RepaintWindow();
    m_connection.StartRelay();
}

void CConfigDlgLogic::OnConnect() {
    if (Running()) {
        Disconnect();
        return;
    }
    const std::optional<std::string> address = m_connection.BeginConnect();
    // An attempt that failed at once has left the window, and its tip, disconnected.
    if (address && StartRace(*address, LinkTiming{})) {
        m_feed.ShowTrayState(TrayState::Phase::Connecting);
    }
}

void CConfigDlgLogic::ConnectToFound(const std::string& address) {
    if (Running()) {
        Disconnect(); // as Cancel or Disconnect would
    }
    m_addressBox.ConnectTo(address);
}

bool CConfigDlgLogic::Running() const {
    return m_follower.Phase() == RestartPhase::Waiting ||
           m_connection.Phase() != ConnectionPhase::Disconnected;
}

void CConfigDlgLogic::Disconnect() {
    m_follower.End();
    m_connection.ResetToDisconnected();
    m_feed.LogAction(WindowAction::Kind::Disconnected);
}

bool CConfigDlgLogic::StartRace(const std::string& address, const LinkTiming& timing) {
    // The device at the end of this race may be another one: its clock is not held to the last one's.
    m_status.ForgetClockStep();
    if (m_connection.StartRace(address, timing)) {
        return true;
    }
    OnAttemptFailed();
    return false;
}

void CConfigDlgLogic::OnLinkState(const CWorkerThread* link, StateReport report) {
    switch (m_connection.OnLinkState(link, report)) {
    case ReportAction::Accept:
        m_follower.End();
        m_addressBox.Remember(m_feed.Device());
        break;
    case ReportAction::FailAttempt:
        OnAttemptFailed();
        break;
    case ReportAction::Lose:
        m_feed.LogAction(WindowAction::Kind::ConnectionLost);
        if (m_follower.Phase() == RestartPhase::ChangeSent) {
            FollowRestart(); // the restart the user confirmed, not a fault
        } else {
            m_feed.ShowTrayState(TrayState::Phase::Lost);
            ShowErrorBox(m_view, IDS_CONNECTION_LOST);
        }
        break;
    case ReportAction::Ignore:
    case ReportAction::MarkFailed:
        break;
    }
}

void CConfigDlgLogic::OnAttemptFailed() {
    if (m_follower.Phase() != RestartPhase::Waiting) {
        m_connection.FailAttempt();
        return;
    }
    // A restarting device refuses or ignores its callers for a while; the next try comes at its turn.
    m_connection.StopRace();
    m_follower.OnTryFailed();
}

void CConfigDlgLogic::OnTimer(int timerId) {
    switch (timerId) {
    case kRestartTimerId:
        OnRestartTick();
        break;
    case kAlarmTimerId:
        m_feed.OnAlarmTimer();
        break;
    default:
        OnRefresh();
        break;
    }
}

void CConfigDlgLogic::OnRefresh() {
    // A device that went on answering long after it took the change has not restarted: the panel may
    // serve again, and the user must know the change may not have been made.
    const bool restartMissed = m_follower.OnStillConnected();
    // After a confirmed change the panel stays off: the device is about to restart, and a second change
    // must not reach it.
    m_status.Refresh(m_follower.Phase() == RestartPhase::Idle, m_environment.now());
    if (restartMissed) {
        // The device stayed where it was: its readings count again from here.
        m_feed.LogAction(WindowAction::Kind::ChangeNotTaken);
        ShowErrorBox(m_view, IDS_NO_RESTART);
    }
}

void CConfigDlgLogic::OnApply() {
    const std::optional<ConfirmedChange> confirmed = m_panel.AskChange(m_environment.localNetworks);
    // The connection may have been lost while the question was open; the request belongs to it alone.
    if (!confirmed || m_connection.Phase() != ConnectionPhase::Connected) {
        return;
    }
    const AddressCheck& check = confirmed->check;
    // The audit trail is on the disk before the device can act on the change.
    const WindowAction::AddressChange change{check.dhcp ? std::string() : check.ip, check.mask,
                                             check.gateway};
    m_feed.LogAction(WindowAction::Kind::ChangeAsked, change);
    m_feed.LogAction(WindowAction::Kind::ChangeSent, change);
    m_connection.RequestAddressChange(check);
    m_panel.SetEnabled(false);
    m_follower.OnChangeSent(check, confirmed->reachable);
}

void CConfigDlgLogic::FollowRestart() {
    if (m_follower.OnLinkEnded()) {
        OnRestartTick();
    }
}

void CConfigDlgLogic::OnRestartTick() {
    const RestartTick tick = m_follower.OnTick();
    if (tick.timedOut) {
        OnRestartTimedOut();
    } else if (tick.startTry) {
        StartRace(m_follower.NewAddress(), m_follower.TryTiming());
    }
}

void CConfigDlgLogic::OnRestartTimedOut() {
    const std::string text = NoAnswerText(m_view.ItemText(IDC_DEVICE_ADDRESS), LoadStringResource);
    // Disconnected before the box: its nested event loop delivers reports the tries posted before they
    // stopped, which must find nothing left to connect or fail.
    m_connection.ResetToDisconnected();
    m_feed.LogAction(WindowAction::Kind::ChangeTimedOut);
    m_view.ShowMessage(text, LoadStringResource(IDS_ERROR), MessageKind::Error);
}

void CConfigDlgLogic::OnClose() {
    // A hidden window's timers still fire; no try may start once the window is closed.
    m_follower.End();
    m_view.StopTimer(kAlarmTimerId);
    if (m_connection.Phase() == ConnectionPhase::Connected) {
        m_feed.LogAction(WindowAction::Kind::Disconnected);
    }
    // A notification left on screen would offer to show a window that is gone.
    m_view.WithdrawAlarms();
    // Reports the links posted before they stopped must find nothing left to fail or lose.
    m_connection.Close();
    m_view.EndDialog(0);
}
