#pragma once

#include "DeviceWatch.h"
#include "DialogView.h"
#include "LinkStateRelay.h"
#include "NetworkCheck.h"
#include "NtpWatch.h"
#include "RestartFollow.h"
#include "TrayTip.h"

#include "connect/LinkRace.h"
#include "health/ClockStep.h"
#include "link/RacingLink.h"
#include "runtime/RealTimeClock.h"

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct AddressCheck;
struct CommandLine;
struct LinkTiming;

// This PC's IPv4 networks: the address and mask of every interface that is up.
using LocalNetworksReader = std::function<std::vector<Ipv4Network>()>;

// What the follow-up of an address change depends on besides the device; tests replace each part.
struct RestartEnvironment {
    RestartTiming timing;
    // This PC's networks, read before every confirmation.
    LocalNetworksReader localNetworks;
    // Every address the window would connect to on its own must pass; one that fails is not followed.
    std::function<bool(const std::string& address)> mayConnectTo = [](const std::string&) { return true; };
    // The clock of the countdown, of the wait for the restart, of how long a clock step is shown and of
    // the pace of the alarms.
    std::function<CRestartFollow::Clock::time_point()> now = CRestartFollow::Clock::now;
};

// Where the device log keeps its journal, and its clock; tests replace both.
struct DeviceLogEnvironment {
    // Without a path the log stays in memory.
    std::optional<std::string> journalPath;
    // This PC's clock in microseconds since 1970 UTC, for the window's own actions.
    std::function<std::int64_t()> utcNow = RealTimeMicros;
};

// The two links the window races: A on the shell port, B on the telnet port.
struct RacingLinks {
    std::unique_ptr<CRacingLink> a;
    std::unique_ptr<CRacingLink> b;
};

// What the main window does, without a display: races the two device links, shows the active link's
// status four times a second, hands address changes to it and follows the device to its new address.
// It acts on the window only through a CDialogView; the front end turns its window's events into the
// handlers below, all on the window thread.
class CConfigDlgLogic {
public:
    // The refresh while connected, the tick of the wait for a restarting device, and the end of a
    // minute that holds an alarm back.
    static constexpr int kRefreshTimerId = 1;
    static constexpr int kRestartTimerId = 2;
    static constexpr int kAlarmTimerId = 3;

    // post carries a link's report from the relay thread to the window thread, where the front end
    // hands it to OnLinkState; localNetworks reads this PC's networks as the platform sees them.
    CConfigDlgLogic(CDialogView& view, PostStateReport post, LocalNetworksReader localNetworks);
    // The same over links of the caller's choice (tests drive it through fakes).
    CConfigDlgLogic(CDialogView& view, RacingLinks links, PostStateReport post,
                    LocalNetworksReader localNetworks);
    CConfigDlgLogic(const CConfigDlgLogic&) = delete;
    CConfigDlgLogic& operator=(const CConfigDlgLogic&) = delete;

    // Sets the start texts and states of the controls and starts the relay; call once, after the
    // controls exist and before the window is shown.
    void OnInitDialog();
    // Writes the command line's address into the address box and, for --connect, has Connect pressed
    // once the window is shown (ConfigDlgCommandLine.cpp); call after OnInitDialog.
    void ApplyCommandLine(const CommandLine& commandLine);
    // Connect, Cancel or Disconnect, whichever the button reads.
    void OnConnect();
    // An address the Find dialog chose: ends what runs, puts address in the address box and presses
    // Connect.
    void ConnectToFound(const std::string& address);
    // The addresses the user's settings remember; call before OnInitDialog, which offers them.
    void SetRecentAddresses(const std::vector<std::string>& stored);
    // The network the Find dialog searched last, which it offers when it opens again; empty before.
    const std::string& LastSearchedNetwork() const { return m_lastSearchedNetwork; }
    // The Find dialog closed after searching network; nothing changes when it searched none (empty).
    void OnNetworkSearched(const std::string& network);
    // A report the relay posted, handled on the window thread in posting order.
    void OnLinkState(const CWorkerThread* link, StateReport report);
    // A tick of timer timerId (kRefreshTimerId, kRestartTimerId or kAlarmTimerId).
    void OnTimer(int timerId);
    // The Apply button of the address change panel.
    void OnApply();
    // The DHCP check box was clicked (its tick has already flipped).
    void OnDhcpToggle();
    // The close routine of the title-bar close, Alt+F4 and the Close button: stops link A, link B and
    // the relay, in that order, and ends the dialog with 0.
    void OnClose();

    // The links, for tests that check which link won.
    const CRacingLink& LinkA() const { return *m_links.a; }
    const CRacingLink& LinkB() const { return *m_links.b; }
    // The state relay, for tests that check when it runs.
    const CLinkStateRelay& Relay() const { return m_relay; }
    // The link whose status the window shows: link A until a link wins, afterwards the last winner.
    const CRacingLink& ActiveLink() const;
    // The connection phase (disconnected, connecting, connected).
    ConnectionPhase Phase() const { return m_race.Phase(); }
    // Where the follow-up of a confirmed address change stands.
    RestartPhase RestartFollowPhase() const { return m_restart.Phase(); }
    // Replaces the follow-up's times, network reader and address check, each of which must be set; only
    // while the follow-up is Idle.
    void SetRestartEnvironment(RestartEnvironment environment);
    // Replaces the device log's journal and clock; before the first connection.
    void SetDeviceLogEnvironment(DeviceLogEnvironment environment);
    // The log of the device the window follows, for the log window.
    const CDeviceLog& DeviceLog() const { return m_watch.Log(); }
    // Whether the DHCP check box is shown; the layout leaves room for it only then.
    bool DhcpShown() const { return m_bDhcpCapable; }
    // Whether alarms reach the user ("Notify me of problems"); the device is watched either way, so that
    // switching them on reports changes from then on, not what happened while they were off.
    bool AlarmsOn() const { return m_watch.AlarmsOn(); }
    void SetAlarmsOn(bool on) { m_watch.SetAlarmsOn(on); }

private:
    void SetItemString(int id, int stringId);
    void SetEnabled(std::initializer_list<int> ids, bool enabled);
    void ShowError(int stringId);
    void SetStartTexts();

    // The two-link race at address, as Connect starts it (ConfigDlgConnection.cpp).
    void StartRace(const std::string& address, const LinkTiming& timing);
    void AcceptLink(LinkSide side);
    // Adds the connected device's address to the recent addresses (ConfigDlgAddressBox.cpp).
    void RememberConnectedAddress();
    // Both links failed: loudly after Connect, quietly for a try at a restarting device.
    void OnAttemptFailed();
    void FailAttempt();
    void ResetToDisconnected();

    // The status display (ConfigDlgStatus.cpp).
    void OnRefresh();
    void SetPanelEnabled(bool enabled);
    // Tells the device watch what the window did (ConfigDlgAlarms.cpp).
    void LogAction(WindowAction::Kind kind, const WindowAction::AddressChange& change = {});
    // Raises what the watch announced and sets the timer for what it holds back (ConfigDlgAlarms.cpp).
    void Announce(const AlarmNews& news);
    // The tip of the notification-area icon: the device and how it stands (ConfigDlgAlarms.cpp).
    void ShowTrayState(TrayState::Phase phase, IndicatorState gps = -1, IndicatorState timeSync = -1,
                       std::size_t problems = 0);

    // The follow-up of a confirmed address change (ConfigDlgRestart.cpp).
    void OnChangeConfirmed(const AddressCheck& change, bool reachable);
    void OnRestartLinkEnded();
    void OnRestartTick();
    void OnRestartTimedOut();
    void CancelRestartFollow();

    CDialogView& m_view;
    RacingLinks m_links;
    // Declared after the links: it watches them, so it goes first.
    CLinkStateRelay m_relay;
    // Over the links; declared after them.
    CLinkRace m_race;
    bool m_bPanelEnabled = false;
    bool m_bDhcpCapable = false;
    CRestartFollow m_restart;
    RestartEnvironment m_restartEnvironment;
    CClockStep m_clockStep;
    // The address of the device the window races for or shows, in its normal form.
    std::string m_deviceAddress;
    // The one observer of the device's readings, its log and its alarms.
    CDeviceWatch m_watch;
    // The connected device's time service, asked beside the link.
    CNtpWatch m_ntpWatch;
    std::function<std::int64_t()> m_utcNow = RealTimeMicros;
    // The addresses that reached a device, most recent first.
    std::vector<std::string> m_recentAddresses;
    std::string m_lastSearchedNetwork;
};
