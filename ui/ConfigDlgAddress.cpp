// The address change panel: Apply and the DHCP check box.
#include "ConfigDlgLogic.h"

#include "resources/StringTable.h"
#include "resources/resource.h"
#include "ui/AddressValidation.h"
#include "ui/NetworkCheck.h"
#include "ui/RestartTexts.h"

#include <vector>

void CConfigDlgLogic::OnApply() {
    const AddressCheck check =
        CheckAddressChange(m_view.IsItemChecked(IDC_DHCP), m_view.ItemText(IDC_NEW_IP_ADDRESS),
                           m_view.ItemText(IDC_NEW_SUBNET_MASK), m_view.ItemText(IDC_NEW_GATEWAY));
    if (check.invalidField != AddressField::None) {
        ShowError(InvalidFieldMessageId(check.invalidField));
        return;
    }
    const std::vector<Ipv4Network> localNetworks = m_restartEnvironment.localNetworks();
    const NetworkCheck network = check.dhcp ? NetworkCheck{} : CheckChangeNetwork(localNetworks, check);
    const MessageAnswer answer = m_view.ShowMessage(ChangeQuestion(check, network, LoadStringResource),
                                                    LoadStringResource(IDS_CONFIRM), MessageKind::Confirm);
    // The connection may have been lost while the question was open; the request belongs to it alone.
    if (answer == MessageAnswer::Yes && m_race.Phase() == ConnectionPhase::Connected) {
        // The audit trail is on the disk before the device can act on the change.
        const WindowAction::AddressChange change{check.dhcp ? std::string() : check.ip, check.mask,
                                                 check.gateway};
        LogAction(WindowAction::Kind::ChangeAsked, change);
        LogAction(WindowAction::Kind::ChangeSent, change);
        m_race.Link(m_race.ActiveSide())
            .RequestAddressChange(check.ip.c_str(), check.mask.c_str(), check.gateway.c_str());
        OnChangeConfirmed(check, network.reachable);
    }
}

void CConfigDlgLogic::OnDhcpToggle() {
    const bool addressesEnabled = !m_view.IsItemChecked(IDC_DHCP);
    SetEnabled({IDC_NEW_IP_ADDRESS, IDC_NEW_SUBNET_MASK, IDC_IP_ADDRESS_LABEL, IDC_SUBNET_MASK_LABEL},
               addressesEnabled);
}
