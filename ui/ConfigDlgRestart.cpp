// The follow-up of a confirmed address change: the device restarts, and the window waits for it at its
// new address, or says where it went when this PC cannot follow.
#include "ConfigDlgLogic.h"

#include "resources/StringTable.h"
#include "resources/resource.h"
#include "ui/AddressValidation.h"
#include "ui/RestartTexts.h"

#include <utility>

namespace {

// Often enough for a try to start promptly at its turn; the countdown itself changes once a second.
constexpr int kRestartTickMs = 100;

} // namespace

void CConfigDlgLogic::SetRestartEnvironment(RestartEnvironment environment) {
    m_restartEnvironment = std::move(environment);
    m_restart.SetTiming(m_restartEnvironment.timing);
}

void CConfigDlgLogic::OnChangeConfirmed(const AddressCheck& change, bool reachable) {
    SetPanelEnabled(false);
    const std::string newAddress = change.dhcp ? std::string() : change.ip;
    m_restart.OnChangeSent(newAddress,
                           reachable && !change.dhcp && m_restartEnvironment.mayConnectTo(newAddress),
                           m_restartEnvironment.now());
}

// Called after the reset that the end of the link brings.
void CConfigDlgLogic::OnRestartLinkEnded() {
    const std::string address = m_restart.NewAddress();
    if (!address.empty()) {
        m_view.SetItemText(IDC_DEVICE_ADDRESS, address);
    }
    if (m_restart.OnLinkEnded(m_restartEnvironment.now()) == RestartCourse::ShowMoved) {
        // The window follows the device no further.
        LogAction(WindowAction::Kind::Disconnected);
        m_view.SetItemText(IDC_STATUS_LINE, DeviceNowLine(address, LoadStringResource));
        return;
    }
    // The same look as while connecting: the address is fixed and Connect reads Cancel.
    SetEnabled({IDC_DEVICE_ADDRESS}, false);
    m_view.SetItemChecked(IDC_CONNECT, true);
    SetItemString(IDC_CONNECT, IDS_CANCEL);
    ShowTrayState(TrayState::Phase::Restarting);
    m_view.StartTimer(kRestartTimerId, kRestartTickMs);
    OnRestartTick();
}

void CConfigDlgLogic::OnRestartTick() {
    const RestartTick tick = m_restart.OnTick(m_restartEnvironment.now());
    if (tick.timedOut) {
        OnRestartTimedOut();
        return;
    }
    const std::string& address = m_restart.NewAddress();
    m_view.SetItemText(IDC_STATUS_LINE, RestartingLine(address, tick.secondsLeft, LoadStringResource));
    if (tick.startTry) {
        StartRace(address, m_restart.TryTiming());
    }
}

void CConfigDlgLogic::OnRestartTimedOut() {
    m_view.StopTimer(kRestartTimerId);
    const std::string text = NoAnswerText(m_view.ItemText(IDC_DEVICE_ADDRESS), LoadStringResource);
    // Disconnected before the box: its nested event loop delivers reports the tries posted before they
    // stopped, which must find nothing left to connect or fail.
    ResetToDisconnected();
    LogAction(WindowAction::Kind::ChangeTimedOut);
    m_view.ShowMessage(text, LoadStringResource(IDS_ERROR), MessageKind::Error);
}

void CConfigDlgLogic::CancelRestartFollow() {
    m_view.StopTimer(kRestartTimerId);
    m_restart.End();
    ResetToDisconnected();
    LogAction(WindowAction::Kind::Disconnected);
}
