#pragma once

#include "AddressValidation.h"
#include "DialogView.h"
#include "RestartEnvironment.h"

#include <optional>

// An address change the user confirmed, and whether this PC can reach the device at its new address.
struct ConfirmedChange {
    AddressCheck check;
    bool reachable = false;
};

// The address change panel of the window: its controls, the check of what the user typed, and the
// question before a change. Only the window's refresh enables it, and only while a device is connected.
class CAddressChangePanel {
public:
    explicit CAddressChangePanel(CDialogView& view) : m_view(view) {}
    CAddressChangePanel(const CAddressChangePanel&) = delete;
    CAddressChangePanel& operator=(const CAddressChangePanel&) = delete;

    // Sets the panel's start texts and leaves it disabled.
    void ShowStartTexts();
    // The address edits and their labels follow the DHCP tick while the panel is enabled.
    void SetEnabled(bool enabled);
    bool Enabled() const { return m_enabled; }
    // Clears what the user typed for the last device and disables the panel.
    void Clear();
    // The DHCP check box was clicked (its tick has already flipped).
    void OnDhcpToggle();
    // Apply: checks the fields (an error box names the first wrong one), reads this PC's networks and
    // asks the user; the change when the user said Yes.
    std::optional<ConfirmedChange> AskChange(const LocalNetworksReader& localNetworks);
    // Whether the DHCP check box is shown; the layout leaves room for it only then.
    bool DhcpShown() const { return m_dhcpCapable; }

private:
    CDialogView& m_view;
    bool m_enabled = false;
    bool m_dhcpCapable = false;
};
