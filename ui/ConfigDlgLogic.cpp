#include "ConfigDlgLogic.h"

#include "resources/StringTable.h"
#include "resources/resource.h"

#include "link/DeviceLink.h"

#include <utility>

CConfigDlgLogic::CConfigDlgLogic(CDialogView& view, PostStateReport post, LocalNetworksReader localNetworks)
    : CConfigDlgLogic(view,
                      RacingLinks{std::make_unique<CDeviceLink>(std::string()),
                                  std::make_unique<CDeviceLink>(std::string())},
                      std::move(post), std::move(localNetworks)) {
    std::string warning;
    m_watch.Log().SetJournal(UserJournalPath(warning));
    m_watch.Log().SetWarning(std::move(warning));
}

CConfigDlgLogic::CConfigDlgLogic(CDialogView& view, RacingLinks links, PostStateReport post,
                                 LocalNetworksReader localNetworks)
    : m_view(view), m_links(std::move(links)),
      m_relay(m_links.a->Worker(), m_links.b->Worker(), std::move(post)), m_race(*m_links.a, *m_links.b),
      m_watch(LoadStringResource) {
    m_restartEnvironment.localNetworks = std::move(localNetworks);
}

const CRacingLink& CConfigDlgLogic::ActiveLink() const {
    return m_race.ActiveLink();
}

void CConfigDlgLogic::SetDeviceLogEnvironment(DeviceLogEnvironment environment) {
    m_watch.Log().SetJournal(std::move(environment.journalPath));
    m_utcNow = std::move(environment.utcNow);
}

void CConfigDlgLogic::OnInitDialog() {
    SetStartTexts();
    m_view.SetAddressChoices(m_recentAddresses);
    m_view.RepaintWindow();
    m_relay.Start();
}

void CConfigDlgLogic::SetStartTexts() {
    SetItemString(IDC_CONNECT_GROUP, IDS_CONNECT);
    m_view.SetItemText(IDC_DEVICE_ADDRESS, "192.168.42.7");
    SetItemString(IDC_CONNECT, IDS_CONNECT);
    SetEnabled({IDC_STATUS_GROUP}, false);

    m_view.SetStatusActive(IDC_STATUS_FRAME, false);
    for (int id : {IDC_STATUS_LINE, IDC_LOCAL_TIME_LINE, IDC_VERSION_LINE, IDC_LEAP_LINE}) {
        m_view.SetStatusActive(id, true);
    }
    m_view.SetStatusActive(IDC_GPS_CAPTION, false);
    SetItemString(IDC_GPS_CAPTION, IDS_GPS_LOCK);
    m_view.SetStatusActive(IDC_TIME_SYNC_CAPTION, false);
    SetItemString(IDC_TIME_SYNC_CAPTION, IDS_TIME_SYNC);

    SetItemString(IDC_CHANGE_IP_GROUP, IDS_CHANGE_IP_ADDRESS);
    m_view.ShowItem(IDC_DHCP, m_bDhcpCapable);
    m_view.SetItemText(IDC_NEW_SUBNET_MASK, "255.255.255.0");
    SetItemString(IDC_IP_ADDRESS_LABEL, IDS_IP_ADDRESS);
    SetItemString(IDC_SUBNET_MASK_LABEL, IDS_SUBNET_MASK);
    SetItemString(IDC_GATEWAY_LABEL, IDS_GATEWAY);
    SetItemString(IDC_APPLY, IDS_APPLY);
    SetItemString(IDC_MAC_GROUP, IDS_MAC_ADDRESS);
    m_view.SetItemText(IDC_MAC_ADDRESS, "00409D");
    SetItemString(IDC_MAC_APPLY, IDS_APPLY);
    SetPanelEnabled(false);
    SetItemString(IDC_QUIT, IDS_CLOSE);
}

void CConfigDlgLogic::OnTimer(int timerId) {
    switch (timerId) {
    case kRestartTimerId:
        OnRestartTick();
        break;
    case kAlarmTimerId:
        Announce(m_watch.OnTick(m_restartEnvironment.now()));
        break;
    default:
        OnRefresh();
        break;
    }
}

void CConfigDlgLogic::OnClose() {
    // A hidden window's timers still fire; no try may start once the window is closed.
    m_view.StopTimer(kRestartTimerId);
    m_view.StopTimer(kAlarmTimerId);
    m_restart.End();
    if (m_race.Phase() == ConnectionPhase::Connected) {
        LogAction(WindowAction::Kind::Disconnected);
    }
    // A notification left on screen would offer to show a window that is gone.
    m_view.WithdrawAlarms();
    // Reports the links posted before they stopped must find nothing left to fail or lose.
    m_race.Stop();
    m_relay.Stop();
    m_view.EndDialog(0);
}

void CConfigDlgLogic::SetItemString(int id, int stringId) {
    m_view.SetItemText(id, LoadStringResource(stringId));
}

void CConfigDlgLogic::SetEnabled(std::initializer_list<int> ids, bool enabled) {
    for (int id : ids) {
        m_view.EnableItem(id, enabled);
    }
}

void CConfigDlgLogic::ShowError(int stringId) {
    m_view.ShowMessage(LoadStringResource(stringId), LoadStringResource(IDS_ERROR), MessageKind::Error);
}
