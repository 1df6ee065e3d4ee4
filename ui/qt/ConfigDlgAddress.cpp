// The address change panel: Apply and the DHCP check box.
#include "ConfigDlg.h"

#include "ui/AddressValidation.h"
#include "ui/NetworkCheck.h"
#include "ui/RestartTexts.h"
#include "ui/res/StringTable.h"
#include "ui/res/resource.h"

#include <QAbstractButton>
#include <QLineEdit>

#include <vector>

void CConfigDlg::OnApply() {
    const AddressCheck check = CheckAddressChange(
        Button(IDC_DHCP)->isChecked(), Edit(IDC_NEW_IP_ADDRESS)->text().toStdString(),
        Edit(IDC_NEW_SUBNET_MASK)->text().toStdString(), Edit(IDC_NEW_GATEWAY)->text().toStdString());
    if (check.invalidField != AddressField::None) {
        ShowError(InvalidFieldMessageId(check.invalidField));
        return;
    }
    const std::vector<Ipv4Network> localNetworks = m_restartEnvironment.localNetworks();
    const NetworkCheck network = check.dhcp ? NetworkCheck{} : CheckChangeNetwork(localNetworks, check);
    const MessageAnswer answer = m_boxes.Show(*this, ChangeQuestion(check, network, LoadStringResource),
                                              LoadStringResource(IDS_CONFIRM), MessageKind::Confirm);
    // The connection may have been lost while the question was open; the request belongs to it alone.
    if (answer == MessageAnswer::Yes && m_connection.Phase() == ConnectionPhase::Connected) {
        Link(m_connection.ActiveSide())
            .RequestAddressChange(check.ip.c_str(), check.mask.c_str(), check.gateway.c_str());
        OnChangeConfirmed(check, network.reachable);
    }
}

void CConfigDlg::OnDhcpToggle() {
    const bool addressesEnabled = !Button(IDC_DHCP)->isChecked();
    SetEnabled({IDC_NEW_IP_ADDRESS, IDC_NEW_SUBNET_MASK, IDC_IP_ADDRESS_LABEL, IDC_SUBNET_MASK_LABEL},
               addressesEnabled);
}
