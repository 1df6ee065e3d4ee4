// Connecting, the race of the two links, and the return to the disconnected state.
#include "ConfigDlg.h"

#include "StatusText.h"
#include "ui/res/StringTable.h"
#include "ui/res/resource.h"

#include <QAbstractButton>
#include <QLineEdit>

#include <utility>

namespace {

constexpr int kRefreshIntervalMs = 250;

} // namespace

void CConfigDlg::OnConnect() {
    if (m_connection.Phase() != ConnectionPhase::Disconnected) {
        ResetToDisconnected();
        return;
    }
    SetEnabled({IDC_DEVICE_ADDRESS}, false);
    const std::string address = Edit(IDC_DEVICE_ADDRESS)->text().toStdString();
    SetItemText(IDC_CONNECT, IDS_CANCEL);

    m_linkA.SetTarget(address, kShellPort);
    const bool startedA = m_linkA.Start();
    m_linkB.SetTarget(address, kTelnetPort);
    const bool startedB = m_linkB.Start();
    StatusText(IDC_STATUS_LINE)->SetText(QString::fromUtf8(LoadStringResource(IDS_SEARCHING)));
    m_connection.OnAttemptStarted(m_linkA.GetReport().run, m_linkB.GetReport().run);

    // A link without a thread never reports; it counts as failed so that the attempt can still end.
    for (const auto& [side, started] : {std::pair{LinkSide::A, startedA}, std::pair{LinkSide::B, startedB}}) {
        if (!started && m_connection.OnStartFailed(side) == ReportAction::FailAttempt) {
            FailAttempt();
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
        FailAttempt();
        break;
    case ReportAction::Lose:
        ResetToDisconnected();
        ShowError(IDS_CONNECTION_LOST);
        break;
    case ReportAction::Ignore:
    case ReportAction::MarkFailed:
        break;
    }
}

void CConfigDlg::AcceptLink(LinkSide side) {
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
