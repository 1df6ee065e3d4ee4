// The follow-up of a confirmed address change: the device restarts, and the window waits for it at its
// new address, or says where it went when this PC cannot follow.
#include "ConfigDlg.h"

#include "StatusText.h"
#include "ui/RestartTexts.h"
#include "ui/res/StringTable.h"
#include "ui/res/resource.h"

#include "link/LinkTiming.h"

#include <QAbstractButton>
#include <QLineEdit>

#include <utility>

namespace {

// Often enough for a try to start promptly at its turn; the countdown itself changes once a second.
constexpr int kRestartTickMs = 100;

std::string StringResource(int id) {
    return LoadStringResource(id);
}

} // namespace

void CConfigDlg::SetRestartEnvironment(RestartEnvironment environment) {
    m_restartEnvironment = std::move(environment);
    m_restart.SetTiming(m_restartEnvironment.timing);
}

void CConfigDlg::OnChangeConfirmed(const AddressCheck& change, bool reachable) {
    SetPanelEnabled(false);
    const std::string newAddress = change.dhcp ? std::string() : change.ip;
    m_restart.OnChangeSent(newAddress,
                           reachable && !change.dhcp && m_restartEnvironment.mayConnectTo(newAddress));
}

// Called after the reset that the end of the link brings.
void CConfigDlg::OnRestartLinkEnded() {
    const std::string address = m_restart.NewAddress();
    if (!address.empty()) {
        Edit(IDC_DEVICE_ADDRESS)->setText(QString::fromStdString(address));
    }
    if (m_restart.OnLinkEnded(CRestartFollow::Clock::now()) == RestartCourse::ShowMoved) {
        StatusText(IDC_STATUS_LINE)->SetText(QString::fromStdString(DeviceNowLine(address, StringResource)));
        return;
    }
    // The same look as while connecting: the address is fixed and Connect reads Cancel.
    SetEnabled({IDC_DEVICE_ADDRESS}, false);
    Button(IDC_CONNECT)->setChecked(true);
    SetItemText(IDC_CONNECT, IDS_CANCEL);
    m_restartTimerId = startTimer(kRestartTickMs, Qt::PreciseTimer);
    OnRestartTick();
}

void CConfigDlg::OnRestartTick() {
    const RestartTick tick = m_restart.OnTick(CRestartFollow::Clock::now());
    if (tick.timedOut) {
        OnRestartTimedOut();
        return;
    }
    const std::string& address = m_restart.NewAddress();
    StatusText(IDC_STATUS_LINE)
        ->SetText(QString::fromStdString(RestartingLine(address, tick.secondsLeft, StringResource)));
    if (tick.startTry) {
        // An unanswered try gives up by the next one's turn rather than after the usual 20 s.
        LinkTiming timing;
        timing.connectTimeoutMs = static_cast<std::uint32_t>(m_restart.Timing().retryInterval.count());
        StartRace(address, timing);
    }
}

void CConfigDlg::OnRestartTimedOut() {
    StopRestartTimer();
    m_linkA.Stop();
    m_linkB.Stop();
    m_boxes.Show(*this, NoAnswerText(Edit(IDC_DEVICE_ADDRESS)->text().toStdString(), StringResource),
                 LoadStringResource(IDS_ERROR), MessageKind::Error);
    ResetToDisconnected();
}

void CConfigDlg::CancelRestartFollow() {
    StopRestartTimer();
    m_restart.End();
    ResetToDisconnected();
}

void CConfigDlg::StopRestartTimer() {
    if (m_restartTimerId != 0) {
        killTimer(m_restartTimerId);
        m_restartTimerId = 0;
    }
}
