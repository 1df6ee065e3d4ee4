// Connecting, the race of the two links, and the return to the disconnected state.
#include "ConfigDlg.h"

#include "StatusText.h"
#include "ui/res/StringTable.h"
#include "ui/res/resource.h"

#include "link/LinkTiming.h"

#include <QAbstractButton>
#include <QLineEdit>

#include <utility>

namespace {

constexpr int kRefreshIntervalMs = 250;

} // namespace

void CConfigDlg::OnConnect() {
    if (m_restart.Phase() == RestartPhase::Waiting) {
        CancelRestartFollow();
        return;
    }
    if (m_connection.Phase() != ConnectionPhase::Disconnected) {
        m_restart.End();
        ResetToDisconnected();
        return;
    }
    SetEnabled({IDC_DEVICE_ADDRESS}, false);
    SetItemText(IDC_CONNECT, IDS_CANCEL);
    StatusText(IDC_STATUS_LINE)->SetText(QString::fromUtf8(LoadStringResource(IDS_SEARCHING)));
    StartRace(Edit(IDC_DEVICE_ADDRESS)->text().toStdString(), LinkTiming{});
}

void CConfigDlg::StartRace(const std::string& address, const LinkTiming& timing) {
    m_linkA.SetTiming(timing);
    m_linkA.SetTarget(address, kShellPort);
    const bool startedA = m_linkA.Start();
    m_linkB.SetTiming(timing);
    m_linkB.SetTarget(address, kTelnetPort);
    const bool startedB = m_linkB.Start();
    m_connection.OnAttemptStarted(m_linkA.GetReport().run, m_linkB.GetReport().run);

    // A link without a thread never reports; it counts as failed so that the attempt can still end.
    for (const auto& [side, started] : {std::pair{LinkSide::A, startedA}, std::pair{LinkSide::B, startedB}}) {
        if (!started && m_connection.OnStartFailed(side) == ReportAction::FailAttempt) {
            OnAttemptFailed();
            return;
        }
    }
}

void CConfigDlg::OnLinkState(const CWorkerThread* link, StateReport report) {
    const LinkSide side = link == &m_linkA ? LinkSide::A : LinkSide::B;
    switch (m_connection.OnReport(side, report)) {
    case ReportAction::Accept:
        AcceptLink(side);
        break;
    case ReportAction::FailAttempt:
        OnAttemptFailed();
        break;
    case ReportAction::Lose:
        ResetToDisconnected();
        if (m_restart.Phase() == RestartPhase::ChangeSent) {
            OnRestartLinkEnded(); // the restart the user confirmed, not a fault
        } else {
            ShowError(IDS_CONNECTION_LOST);
        }
        break;
    case ReportAction::Ignore:
    case ReportAction::MarkFailed:
        break;
    }
}

void CConfigDlg::AcceptLink(LinkSide side) {
    StopRestartTimer();
    m_restart.End();
    Link(side == LinkSide::A ? LinkSide::B : LinkSide::A).Stop();
    StatusText(IDC_STATUS_LINE)->SetText(QString::fromUtf8(LoadStringResource(IDS_CONNECTED_PLEASE_WAIT)));
    SetEnabled({IDC_DEVICE_ADDRESS}, false);
    SetEnabled({IDC_CONNECT, IDC_STATUS_GROUP}, true);
    SetItemText(IDC_CONNECT, IDS_DISCONNECT);
    for (int id : {IDC_STATUS_FRAME, IDC_GPS_CAPTION, IDC_TIME_SYNC_CAPTION}) {
        StatusText(id)->SetActive(true);
    }
    InvalidateWindow();
    m_timerId = startTimer(kRefreshIntervalMs, Qt::PreciseTimer);
}

void CConfigDlg::OnAttemptFailed() {
    if (m_restart.Phase() != RestartPhase::Waiting) {
        FailAttempt();
        return;
    }
    // A restarting device refuses or ignores its callers for a while; the next try comes at its turn.
    m_linkA.Stop();
    m_linkB.Stop();
    m_connection.OnReset();
    m_restart.OnTryFailed();
}

void CConfigDlg::FailAttempt() {
    StatusText(IDC_STATUS_LINE)->SetText(QString());
    StatusText(IDC_LOCAL_TIME_LINE)->SetText(QString());
    m_linkA.Stop();
    m_linkB.Stop();
    ShowError(IDS_CONNECT_FAILED);
    ResetToDisconnected();
}

void CConfigDlg::ResetToDisconnected() {
    if (m_timerId != 0) {
        killTimer(m_timerId);
        m_timerId = 0;
    }
    m_linkA.Stop();
    m_linkB.Stop();
    m_connection.OnReset();

    SetEnabled({IDC_DEVICE_ADDRESS, IDC_CONNECT}, true);
    Button(IDC_CONNECT)->setChecked(false);
    SetItemText(IDC_CONNECT, IDS_CONNECT);
    SetEnabled({IDC_STATUS_GROUP}, false);
    StatusText(IDC_STATUS_FRAME)->SetActive(false);
    for (int id : {IDC_STATUS_LINE, IDC_LOCAL_TIME_LINE}) {
        StatusText(id)->SetText(QString());
    }
    SetVersionLine(QString());
    SetLamp(IDC_GPS_LAMP, IDB_LAMP_GREY);
    StatusText(IDC_GPS_CAPTION)->SetActive(false);
    SetLamp(IDC_TIME_SYNC_LAMP, IDB_LAMP_GREY);
    StatusText(IDC_TIME_SYNC_CAPTION)->SetActive(false);

    Button(IDC_DHCP)->setChecked(false);
    Edit(IDC_NEW_IP_ADDRESS)->clear();
    Edit(IDC_NEW_GATEWAY)->clear();
    SetPanelEnabled(false);
    InvalidateWindow();
}
