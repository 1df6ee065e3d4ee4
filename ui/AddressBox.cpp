#include "AddressBox.h"

#include "CommandLine.h"
#include "RecentAddresses.h"

#include "resources/resource.h"

#include <utility>

void CAddressBox::ShowStartTexts() {
    m_view.SetItemText(IDC_DEVICE_ADDRESS, "192.168.42.7");
    m_view.SetAddressChoices(m_recentAddresses);
}

void CAddressBox::SetRecentAddresses(const std::vector<std::string>& stored) {
    m_recentAddresses = CleanRecentAddresses(stored);
}

void CAddressBox::Remember(const std::string& address) {
    m_recentAddresses = AddRecentAddress(std::move(m_recentAddresses), address);
    m_view.SetAddressChoices(m_recentAddresses);
    m_view.SaveRecentAddresses(m_recentAddresses);
}

void CAddressBox::ApplyCommandLine(const CommandLine& commandLine) {
    if (commandLine.address) {
        m_view.SetItemText(IDC_DEVICE_ADDRESS, *commandLine.address);
    }
    if (commandLine.connect) {
        // Pressed once the window runs, as a user would: an error box needs a window to belong to.
        m_view.PressWhenShown(IDC_CONNECT);
    }
}

void CAddressBox::ConnectTo(const std::string& address) {
    m_view.SetItemText(IDC_DEVICE_ADDRESS, address);
    m_view.PressWhenShown(IDC_CONNECT);
}

void CAddressBox::OnNetworkSearched(const std::string& network) {
    if (!network.empty()) {
        m_lastSearchedNetwork = network;
    }
}
