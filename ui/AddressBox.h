#pragma once

#include "DialogView.h"

#include <string>
#include <vector>

struct CommandLine;

// What fills the window's address box besides the user's typing: the addresses that reached a device,
// the command line's address and the Find dialog's choice; and the network that dialog searched last.
class CAddressBox {
public:
    explicit CAddressBox(CDialogView& view) : m_view(view) {}
    CAddressBox(const CAddressBox&) = delete;
    CAddressBox& operator=(const CAddressBox&) = delete;

    // Sets the box's start text and offers the recent addresses.
    void ShowStartTexts();
    // The addresses the user's settings remember; before ShowStartTexts, which offers them.
    void SetRecentAddresses(const std::vector<std::string>& stored);
    // address reached a device: it leads the recent addresses, offered and saved at once. It is the
    // normal form of an address that passed the strict check, never what the user merely typed.
    void Remember(const std::string& address);
    // Writes the command line's address into the box and, for --connect, has Connect pressed once the
    // window is shown.
    void ApplyCommandLine(const CommandLine& commandLine);
    // Writes address into the box and has Connect pressed.
    void ConnectTo(const std::string& address);

    // The network the Find dialog searched last, which it offers when it opens again; empty before.
    const std::string& LastSearchedNetwork() const { return m_lastSearchedNetwork; }
    // The Find dialog closed after searching network; nothing changes when it searched none (empty).
    void OnNetworkSearched(const std::string& network);

private:
    CDialogView& m_view;
    // Most recent first.
    std::vector<std::string> m_recentAddresses;
    std::string m_lastSearchedNetwork;
};
