#include "DeviceConnection.h"

#include "AddressValidation.h"
#include "DialogItems.h"

#include "resources/StringTable.h"
#include "resources/resource.h"

#include "connect/DottedAddress.h"

#include <utility>

namespace {

constexpr int kRefreshIntervalMs = 250;
constexpr unsigned short kNtpPort = 123;

} // namespace

CDeviceConnection::CDeviceConnection(CDialogView& view, RacingLinks links, PostStateReport post,
                                     CAlarmFeed& feed, CAddressChangePanel& panel, int refreshTimerId)
    : m_view(view), m_feed(feed), m_panel(panel), m_refreshTimerId(refreshTimerId), m_links(std::move(links)),
      m_relay(m_links.shell->Worker(), m_links.telnet->Worker(), std::move(post)),
      m_race(*m_links.shell, *m_links.telnet) {}

void CDeviceConnection::ShowStartTexts() {
    SetItemString(m_view, IDC_CONNECT_GROUP, IDS_CONNECT);
    SetItemString(m_view, IDC_CONNECT, IDS_CONNECT);
    EnableItems(m_view, {IDC_STATUS_GROUP}, false);

    m_view.SetStatusActive(IDC_STATUS_FRAME, false);
    for (int id : {IDC_STATUS_LINE, IDC_LOCAL_TIME_LINE, IDC_VERSION_LINE, IDC_LEAP_LINE}) {
        m_view.SetStatusActive(id, true);
    }
    m_view.SetStatusActive(IDC_GPS_CAPTION, false);
    SetItemString(m_view, IDC_GPS_CAPTION, IDS_GPS_LOCK);
    m_view.SetStatusActive(IDC_TIME_SYNC_CAPTION, false);
    SetItemString(m_view, IDC_TIME_SYNC_CAPTION, IDS_TIME_SYNC);
}

std::optional<std::string> CDeviceConnection::BeginConnect() {
    EnableItems(m_view, {IDC_DEVICE_ADDRESS}, false);
    SetItemString(m_view, IDC_CONNECT, IDS_CANCEL);
    SetItemString(m_view, IDC_STATUS_LINE, IDS_SEARCHING);
    // The socket layer reads 010 as 8 and 1.2.3 as 1.2.0.3, so a typed 192.168.042.007 would reach
    // another device: only a plain dotted address is tried, in its normal form.
    const std::optional<Octets> address = ParseDottedAddress(m_view.ItemText(IDC_DEVICE_ADDRESS));
    if (!address) {
        FailAttempt();
        return std::nullopt;
    }
    return FormatDottedAddress(*address);
}

bool CDeviceConnection::StartRace(const std::string& address, const LinkTiming& timing) {
    m_feed.SetDevice(address);
    return m_race.Start(address, timing);
}

ReportAction CDeviceConnection::OnLinkState(const CWorkerThread* link, StateReport report) {
    const LinkSide side = m_race.SideOf(link);
    const ReportAction action = m_race.OnReport(side, report);
    if (action == ReportAction::Accept) {
        ShowAccepted(side);
    } else if (action == ReportAction::Lose) {
        ResetToDisconnected();
    }
    return action;
}

void CDeviceConnection::ShowAccepted(LinkSide side) {
    SetItemString(m_view, IDC_STATUS_LINE, IDS_CONNECTED_PLEASE_WAIT);
    EnableItems(m_view, {IDC_DEVICE_ADDRESS}, false);
    EnableItems(m_view, {IDC_CONNECT, IDC_STATUS_GROUP}, true);
    SetItemString(m_view, IDC_CONNECT, IDS_DISCONNECT);
    for (int id : {IDC_STATUS_FRAME, IDC_GPS_CAPTION, IDC_TIME_SYNC_CAPTION}) {
        m_view.SetStatusActive(id, true);
    }
    m_view.RepaintWindow();
    m_view.StartTimer(m_refreshTimerId, kRefreshIntervalMs);
    m_feed.LogConnected(side == LinkSide::Shell ? "shell" : "telnet");
    m_feed.ShowTrayState(TrayState::Phase::Connected);
    // Without a thread for it the window goes on without what only the time service tells.
    if (const std::optional<Octets> address = ParseDottedAddress(m_feed.Device())) {
        (void)m_ntpWatch.Watch(AddressValue(*address), kNtpPort);
    }
}

void CDeviceConnection::FailAttempt() {
    m_view.SetItemText(IDC_STATUS_LINE, std::string());
    m_view.SetItemText(IDC_LOCAL_TIME_LINE, std::string());
    // The box shows over the still connecting window; both links count as stopped already (the
    // connection control's failing step), so no report its nested event loop delivers can act.
    m_race.StopLinks();
    ShowErrorBox(m_view, IDS_CONNECT_FAILED);
    ResetToDisconnected();
}

void CDeviceConnection::ResetToDisconnected() {
    m_view.StopTimer(m_refreshTimerId);
    m_race.Stop();
    m_ntpWatch.Stop();

    EnableItems(m_view, {IDC_DEVICE_ADDRESS, IDC_CONNECT}, true);
    m_view.SetItemChecked(IDC_CONNECT, false);
    SetItemString(m_view, IDC_CONNECT, IDS_CONNECT);
    EnableItems(m_view, {IDC_STATUS_GROUP}, false);
    m_view.SetStatusActive(IDC_STATUS_FRAME, false);
    for (int id : {IDC_STATUS_LINE, IDC_LOCAL_TIME_LINE}) {
        m_view.SetItemText(id, std::string());
    }
    for (int id : {IDC_VERSION_LINE, IDC_LEAP_LINE}) {
        m_view.SetFittedLine(id, std::string());
    }
    for (int lampId : {IDC_GPS_LAMP, IDC_TIME_SYNC_LAMP}) {
        m_view.SetLamp(lampId, IDB_LAMP_GREY);
        m_view.SetLampTooltip(lampId, std::string());
    }
    m_view.SetStatusActive(IDC_GPS_CAPTION, false);
    m_view.SetStatusActive(IDC_TIME_SYNC_CAPTION, false);

    m_panel.Clear();
    m_feed.ShowTrayState(TrayState::Phase::NotConnected);
    m_view.RepaintWindow();
}

void CDeviceConnection::RequestAddressChange(const AddressCheck& check) {
    m_race.Link(m_race.ActiveSide())
        .RequestAddressChange(check.ip.c_str(), check.mask.c_str(), check.gateway.c_str());
}

void CDeviceConnection::Close() {
    m_race.Stop();
    m_relay.Stop();
}
