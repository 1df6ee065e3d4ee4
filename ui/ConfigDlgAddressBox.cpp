// What fills the address box besides the user's typing: the addresses that reached a device, and the
// Find dialog's choice; and the network that dialog searched last.
#include "ConfigDlgLogic.h"

#include "resources/resource.h"
#include "ui/RecentAddresses.h"

void CConfigDlgLogic::SetRecentAddresses(const std::vector<std::string>& stored) {
    m_recentAddresses = CleanRecentAddresses(stored);
}

void CConfigDlgLogic::RememberConnectedAddress() {
    // The address is the normal form of one that passed the strict check (Connect's or the new address
    // of a confirmed change), so the list never holds what the user merely typed.
    m_recentAddresses = AddRecentAddress(std::move(m_recentAddresses), m_deviceAddress);
    m_view.SetAddressChoices(m_recentAddresses);
    m_view.SaveRecentAddresses(m_recentAddresses);
}

void CConfigDlgLogic::OnNetworkSearched(const std::string& network) {
    if (!network.empty()) {
        m_lastSearchedNetwork = network;
    }
}

void CConfigDlgLogic::ConnectToFound(const std::string& address) {
    if (m_restart.Phase() == RestartPhase::Waiting || m_race.Phase() != ConnectionPhase::Disconnected) {
        OnConnect(); // as Cancel or Disconnect would
    }
    m_view.SetItemText(IDC_DEVICE_ADDRESS, address);
    m_view.PressWhenShown(IDC_CONNECT);
}
