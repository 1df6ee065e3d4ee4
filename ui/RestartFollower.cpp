#include "RestartFollower.h"

#include "AddressValidation.h"
#include "DialogItems.h"
#include "RestartTexts.h"

#include "resources/StringTable.h"
#include "resources/resource.h"

namespace {

// Often enough for a try to start promptly at its turn; the countdown itself changes once a second.
constexpr int kRestartTickMs = 100;

} // namespace

void CRestartFollower::OnChangeSent(const AddressCheck& change, bool reachable) {
    const std::string newAddress = change.dhcp ? std::string() : change.ip;
    m_restart.OnChangeSent(newAddress, reachable && !change.dhcp && m_environment.mayConnectTo(newAddress),
                           m_environment.now());
}

bool CRestartFollower::OnLinkEnded() {
    const std::string address = m_restart.NewAddress();
    if (!address.empty()) {
        m_view.SetItemText(IDC_DEVICE_ADDRESS, address);
    }
    if (m_restart.OnLinkEnded(m_environment.now()) == RestartCourse::ShowMoved) {
        // The window follows the device no further.
        m_feed.LogAction(WindowAction::Kind::Disconnected);
        m_view.SetItemText(IDC_STATUS_LINE, DeviceNowLine(address, LoadStringResource));
        return false;
    }
    // The same look as while connecting: the address is fixed and Connect reads Cancel.
    EnableItems(m_view, {IDC_DEVICE_ADDRESS}, false);
    m_view.SetItemChecked(IDC_CONNECT, true);
    SetItemString(m_view, IDC_CONNECT, IDS_CANCEL);
    m_feed.ShowTrayState(TrayState::Phase::Restarting);
    m_view.StartTimer(m_timerId, kRestartTickMs);
    return true;
}

RestartTick CRestartFollower::OnTick() {
    const RestartTick tick = m_restart.OnTick(m_environment.now());
    if (tick.timedOut) {
        m_view.StopTimer(m_timerId);
        return tick;
    }
    m_view.SetItemText(IDC_STATUS_LINE,
                       RestartingLine(m_restart.NewAddress(), tick.secondsLeft, LoadStringResource));
    return tick;
}

void CRestartFollower::End() {
    m_view.StopTimer(m_timerId);
    m_restart.End();
}
