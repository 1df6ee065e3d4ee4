#include "FindDlgLogic.h"

#include "SearchNetworkCheck.h"
#include "resources/StringTable.h"
#include "resources/resource.h"

#include "connect/DottedAddress.h"
#include "devicetext/DeviceText.h"

#include <algorithm>
#include <utility>

namespace {

std::string Strings(int id) {
    return LoadStringResource(id);
}

std::string PortsText(const FoundAddress& found) {
    std::string ports;
    for (const std::optional<unsigned short>& port : {found.shellPort, found.telnetPort}) {
        if (port) {
            ports += (ports.empty() ? "" : ", ") + std::to_string(*port);
        }
    }
    return ports;
}

} // namespace

FoundDeviceRow FoundRow(const FoundAddress& found, const StringLookup& strings) {
    std::string firmware;
    switch (KindOf(found)) {
    case FoundKind::Device:
        // Its bytes come from whatever answered on the port.
        firmware = DeviceText(found.firmware);
        break;
    case FoundKind::NotADevice:
        firmware = strings(IDS_FIND_NOT_A_DEVICE);
        break;
    case FoundKind::TelnetOnly:
        firmware = strings(IDS_FIND_TELNET_ONLY);
        break;
    }
    return FoundDeviceRow{FormatDottedAddress(OctetsOf(found.address)), std::move(firmware),
                          PortsText(found)};
}

CFindDlgLogic::CFindDlgLogic(CFindDlgView& view, PostStateReport post, SearchSettings settings)
    : m_view(view), m_settings(settings), m_relay(m_search, std::move(post)) {}

void CFindDlgLogic::OnInitDialog(const std::string& network) {
    m_view.SetItemText(IDC_FIND_NETWORK, network);
    m_view.SetProgress(0, 0);
    ShowIdle();
}

void CFindDlgLogic::OnSearch() {
    if (m_searching) {
        StopSearch();
        return;
    }
    const std::string network = m_view.ItemText(IDC_FIND_NETWORK);
    const SearchNetworkCheck check = CheckSearchNetwork(network, Strings);
    if (!check.range) {
        ShowError(check.refusal);
        return;
    }
    m_searchedNetwork = network;
    StartSearch(*check.range);
}

void CFindDlgLogic::OnNetworkEnter() {
    if (!m_searching) {
        OnSearch();
    }
}

void CFindDlgLogic::StartSearch(const SearchRange& range) {
    m_found.clear();
    m_view.ClearFoundDevices();
    m_total = range.count;
    m_view.SetProgress(0, m_total);
    if (!m_relay.IsStarted() && !m_relay.Start()) {
        ShowError(Strings(IDS_FIND_NOT_STARTED));
        return;
    }
    if (!m_search.StartSearch(range, m_settings)) {
        ShowError(Strings(IDS_FIND_NOT_STARTED));
        return;
    }
    m_searching = true;
    m_view.SetItemText(IDC_FIND_SEARCH, Strings(IDS_FIND_STOP));
    // A disabled box that kept the focus would leave the dialog deaf to Esc and Tab.
    m_view.FocusItem(IDC_FIND_SEARCH);
    m_view.EnableItem(IDC_FIND_NETWORK, false);
}

void CFindDlgLogic::StopSearch() {
    // Stop returns once every socket is closed, which takes no network round trip.
    m_search.Stop();
    ShowNews();
    ShowIdle();
}

void CFindDlgLogic::OnSearchState(StateReport report) {
    // A report of an earlier search, posted before it was stopped, has nothing to add.
    if (!m_searching || report.run != m_search.GetReport().run) {
        return;
    }
    ShowNews();
    if (report.state == SearchRunning || report.state < 0) {
        return;
    }
    ShowIdle();
    const std::size_t untried = m_search.UntriedCount();
    if (untried > 0) {
        // This PC's fault (no sockets, no route), never the devices': said as such.
        ShowError(FillIn(Strings(IDS_FIND_UNTRIED), {std::to_string(untried)}));
    }
}

void CFindDlgLogic::ShowNews() {
    for (const FoundAddress& found : m_search.TakeFound()) {
        const auto at = std::lower_bound(m_found.begin(), m_found.end(), found.address);
        m_view.InsertFoundDevice(static_cast<std::size_t>(at - m_found.begin()), FoundRow(found, Strings));
        m_found.insert(at, found.address);
    }
    m_view.SetProgress(m_search.TriedCount(), m_total);
}

void CFindDlgLogic::ShowIdle() {
    m_searching = false;
    m_view.SetItemText(IDC_FIND_SEARCH, Strings(IDS_FIND_SEARCH));
    m_view.EnableItem(IDC_FIND_NETWORK, true);
}

void CFindDlgLogic::ShowError(const std::string& text) {
    m_view.ShowMessage(text, Strings(IDS_ERROR), MessageKind::Error);
}

void CFindDlgLogic::OnConnect() {
    if (const std::optional<std::size_t> row = m_view.SelectedFoundDevice()) {
        EndWith(*row);
    }
}

void CFindDlgLogic::OnFoundActivated(std::size_t row) {
    EndWith(row);
}

void CFindDlgLogic::EndWith(std::size_t row) {
    if (row >= m_found.size()) {
        return;
    }
    m_chosen = FormatDottedAddress(OctetsOf(m_found[row]));
    m_search.Stop();
    m_searching = false;
    m_view.EndDialog(kFindConnect);
}

void CFindDlgLogic::OnClose() {
    m_search.Stop();
    m_searching = false;
    m_view.EndDialog(kFindClosed);
}

std::vector<std::string> CFindDlgLogic::AddressesToList(int result) const {
    std::vector<std::string> addresses;
    if (result == kFindConnect) {
        addresses.push_back(m_chosen);
    }
    for (const std::uint32_t address : m_found) {
        addresses.push_back(FormatDottedAddress(OctetsOf(address)));
    }
    return addresses;
}
