#pragma once

#include "FindDlgView.h"
#include "SearchRelay.h"

#include "resources/StringLookup.h"

#include "discover/NetworkSearch.h"
#include "runtime/StateRelay.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// How the Find dialog ends: with an address to connect to, or without.
inline constexpr int kFindClosed = 0;
inline constexpr int kFindConnect = 1;

// A found address as the list shows it: the device's firmware version escaped as device text is, or what
// answered there when it is no device.
FoundDeviceRow FoundRow(const FoundAddress& found, const StringLookup& strings);

// What the Find dialog does, without a display: checks the network box, searches it on the search's own
// thread, shows the progress and the devices found as the relay brings them, and ends with the address
// the user chose. It acts on the dialog only through a CFindDlgView; the front end turns the dialog's
// events into the handlers below, all on the window thread.
class CFindDlgLogic {
public:
    // post carries the search's report from the relay thread to the window thread, where the front end
    // hands it to OnSearchState; settings are the search's (tests name their own ports).
    CFindDlgLogic(CFindDlgView& view, PostStateReport post, SearchSettings settings = {});
    CFindDlgLogic(const CFindDlgLogic&) = delete;
    CFindDlgLogic& operator=(const CFindDlgLogic&) = delete;

    // Sets the start texts and puts network in the network box; nothing is searched until Search.
    void OnInitDialog(const std::string& network);
    // Search or Stop, whichever the button reads.
    void OnSearch();
    // Enter in the network box: a search, unless one runs.
    void OnNetworkEnter();
    // A report the relay posted, handled on the window thread in posting order.
    void OnSearchState(StateReport report);
    // The Connect button: the selected device, if any.
    void OnConnect();
    // A double-click on row of the list.
    void OnFoundActivated(std::size_t row);
    // The dialog's close: stops the search and ends the dialog with kFindClosed.
    void OnClose();

    // The address the dialog ended with kFindConnect for; empty before.
    const std::string& ChosenAddress() const { return m_chosen; }
    // The network of the last search started, as typed; empty before.
    const std::string& SearchedNetwork() const { return m_searchedNetwork; }
    // Whether a search runs (the button reads Stop).
    bool Searching() const { return m_searching; }
    // What the search gives a list of devices, dotted: the chosen device first when the dialog ended
    // with kFindConnect (result), then every device found, ascending.
    std::vector<std::string> AddressesToList(int result) const;

private:
    void StartSearch(const SearchRange& range);
    void StopSearch();
    // Takes in what the search found and tried so far.
    void ShowNews();
    // The window's state after a search: the button reads Search, the box takes text again.
    void ShowIdle();
    void ShowError(const std::string& text);
    void EndWith(std::size_t row);

    CFindDlgView& m_view;
    SearchSettings m_settings;
    CNetworkSearch m_search;
    // Declared after the search: it watches it, so it goes first.
    CSearchRelay m_relay;
    bool m_searching = false;
    std::size_t m_total = 0;
    // The addresses of the list's rows (host byte order), in their order: ascending.
    std::vector<std::uint32_t> m_found;
    std::string m_chosen;
    std::string m_searchedNetwork;
};
