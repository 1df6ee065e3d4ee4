#include "AddressChangePanel.h"

#include "ChangeNetworkCheck.h"
#include "DialogItems.h"
#include "RestartTexts.h"

#include "resources/StringTable.h"
#include "resources/resource.h"

#include <vector>

void CAddressChangePanel::ShowStartTexts() {
    SetItemString(m_view, IDC_CHANGE_IP_GROUP, IDS_CHANGE_IP_ADDRESS);
    m_view.ShowItem(IDC_DHCP, m_dhcpCapable);
    m_view.SetItemText(IDC_NEW_SUBNET_MASK, "255.255.255.0");
    SetItemString(m_view, IDC_IP_ADDRESS_LABEL, IDS_IP_ADDRESS);
    SetItemString(m_view, IDC_SUBNET_MASK_LABEL, IDS_SUBNET_MASK);
    SetItemString(m_view, IDC_GATEWAY_LABEL, IDS_GATEWAY);
    SetItemString(m_view, IDC_APPLY, IDS_APPLY);
    SetItemString(m_view, IDC_MAC_GROUP, IDS_MAC_ADDRESS);
    m_view.SetItemText(IDC_MAC_ADDRESS, "00409D");
    SetItemString(m_view, IDC_MAC_APPLY, IDS_APPLY);
    SetEnabled(false);
}

// The only place that enables the panel.
void CAddressChangePanel::SetEnabled(bool enabled) {
    m_enabled = enabled;
    const bool addressesEnabled = enabled && !m_view.IsItemChecked(IDC_DHCP);
    EnableItems(m_view, {IDC_CHANGE_IP_GROUP, IDC_DHCP}, enabled);
    EnableItems(m_view,
                {IDC_NEW_IP_ADDRESS, IDC_NEW_SUBNET_MASK, IDC_NEW_GATEWAY, IDC_IP_ADDRESS_LABEL,
                 IDC_SUBNET_MASK_LABEL, IDC_GATEWAY_LABEL},
                addressesEnabled);
    EnableItems(m_view, {IDC_APPLY, IDC_MAC_GROUP, IDC_MAC_ADDRESS, IDC_NEW_MAC_ADDRESS, IDC_MAC_APPLY},
                enabled);
}

void CAddressChangePanel::Clear() {
    m_view.SetItemChecked(IDC_DHCP, false);
    m_view.SetItemText(IDC_NEW_IP_ADDRESS, std::string());
    m_view.SetItemText(IDC_NEW_GATEWAY, std::string());
    SetEnabled(false);
}

void CAddressChangePanel::OnDhcpToggle() {
    const bool addressesEnabled = !m_view.IsItemChecked(IDC_DHCP);
    EnableItems(m_view,
                {IDC_NEW_IP_ADDRESS, IDC_NEW_SUBNET_MASK, IDC_IP_ADDRESS_LABEL, IDC_SUBNET_MASK_LABEL},
                addressesEnabled);
}

std::optional<ConfirmedChange> CAddressChangePanel::AskChange(const LocalNetworksReader& localNetworks) {
    const AddressCheck check =
        CheckAddressChange(m_view.IsItemChecked(IDC_DHCP), m_view.ItemText(IDC_NEW_IP_ADDRESS),
                           m_view.ItemText(IDC_NEW_SUBNET_MASK), m_view.ItemText(IDC_NEW_GATEWAY));
    if (check.invalidField != AddressField::None) {
        ShowErrorBox(m_view, InvalidFieldMessageId(check.invalidField));
        return std::nullopt;
    }
    const std::vector<Ipv4Network> networks = localNetworks();
    const ChangeNetworkCheck network =
        check.dhcp ? ChangeNetworkCheck{} : CheckChangeNetwork(networks, check);
    const MessageAnswer answer = m_view.ShowMessage(ChangeQuestion(check, network, LoadStringResource),
                                                    LoadStringResource(IDS_CONFIRM), MessageKind::Confirm);
    if (answer != MessageAnswer::Yes) {
        return std::nullopt;
    }
    return ConfirmedChange{check, network.reachable};
}
