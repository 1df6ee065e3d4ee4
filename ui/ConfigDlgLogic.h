#pragma once

#include "AddressBox.h"
#include "AddressChangePanel.h"
#include "AlarmFeed.h"
#include "AnswersDlgLogic.h"
#include "DeviceConnection.h"
#include "DialogView.h"
#include "RestartEnvironment.h"
#include "RestartFollower.h"
#include "StatusRefresh.h"

#include <string>
#include <utility>
#include <vector>

struct CommandLine;

// What the main window does, without a display: races the two device links, shows the active link's
// status four times a second, hands address changes to it and follows the device to its new address.
// It acts on the window only through a CDialogView; the front end turns its window's events into the
// handlers below, all on the window thread. Each part of the window is a class of its own; this one
// holds them and decides what an event means for each.
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
    // once the window is shown; call after OnInitDialog.
    void ApplyCommandLine(const CommandLine& commandLine) { m_addressBox.ApplyCommandLine(commandLine); }
    // Connect, Cancel or Disconnect, whichever the button reads.
    void OnConnect();
    // An address the Find dialog chose: ends what runs, puts address in the address box and presses
    // Connect.
    void ConnectToFound(const std::string& address);
    // The addresses the user's settings remember; call before OnInitDialog, which offers them.
    void SetRecentAddresses(const std::vector<std::string>& stored) {
        m_addressBox.SetRecentAddresses(stored);
    }
    // The network the Find dialog searched last, which it offers when it opens again; empty before.
    const std::string& LastSearchedNetwork() const { return m_addressBox.LastSearchedNetwork(); }
    // The Find dialog closed after searching network; nothing changes when it searched none (empty).
    void OnNetworkSearched(const std::string& network) { m_addressBox.OnNetworkSearched(network); }
    // A report the relay posted, handled on the window thread in posting order.
    void OnLinkState(const CWorkerThread* link, StateReport report);
    // A tick of timer timerId (kRefreshTimerId, kRestartTimerId or kAlarmTimerId).
    void OnTimer(int timerId);
    // The Apply button of the address change panel.
    void OnApply();
    // The DHCP check box was clicked (its tick has already flipped).
    void OnDhcpToggle() { m_panel.OnDhcpToggle(); }
    // The close routine of the title-bar close, Alt+F4 and the Close button: stops the shell link, the telnet
    // link and the relay, in that order, and ends the dialog with 0.
    void OnClose();

    // The links, for tests that check which link won.
    const CRacingLink& ShellLink() const { return m_connection.ShellLink(); }
    const CRacingLink& TelnetLink() const { return m_connection.TelnetLink(); }
    // The state relay, for tests that check when it runs.
    const CLinkStateRelay& Relay() const { return m_connection.Relay(); }
    // The link whose status the window shows: the shell link until a link wins, afterwards the last winner.
    const CRacingLink& ActiveLink() const { return m_connection.ActiveLink(); }
    // The connection phase (disconnected, connecting, connected).
    ConnectionPhase Phase() const { return m_connection.Phase(); }
    // Where the follow-up of a confirmed address change stands.
    RestartPhase RestartFollowPhase() const { return m_follower.Phase(); }
    // Replaces the follow-up's times, network reader and address check, each of which must be set; only
    // while the follow-up is Idle.
    void SetRestartEnvironment(RestartEnvironment environment);
    // Replaces the device log's journal and clock; before the first connection.
    void SetDeviceLogEnvironment(DeviceLogEnvironment environment) {
        m_feed.SetDeviceLogEnvironment(std::move(environment));
    }
    // The log of the device the window follows, for the log window.
    const CDeviceLog& DeviceLog() const { return m_feed.Log(); }
    // What the device's answers window reads: the active link's exchanges and the window's own NTP check.
    AnswersSource DeviceAnswers() const {
        return {[this]() -> const CExchangeRecord& { return ActiveLink().Exchanges(); },
                [this] { return m_connection.TimeService().Latest(); }};
    }
    // Whether the DHCP check box is shown; the layout leaves room for it only then.
    bool DhcpShown() const { return m_panel.DhcpShown(); }
    // Whether alarms reach the user ("Notify me of problems"); the device is watched either way, so that
    // switching them on reports changes from then on, not what happened while they were off.
    bool AlarmsOn() const { return m_feed.AlarmsOn(); }
    void SetAlarmsOn(bool on) { m_feed.SetAlarmsOn(on); }

private:
    // The two-link race at address, as Connect or a try at a restarting device starts it; false when
    // the attempt failed at once (neither link got a thread).
    bool StartRace(const std::string& address, const LinkTiming& timing);
    // Both links failed: loudly after Connect, quietly for a try at a restarting device.
    void OnAttemptFailed();
    // Whether a connection, an attempt or the wait for a restarting device runs.
    bool Running() const;
    // Disconnect, or Cancel of an attempt or of the wait for a restarting device.
    void Disconnect();
    void OnRefresh();
    // Called after the reset that the end of the link that took the change brings.
    void FollowRestart();
    void OnRestartTick();
    void OnRestartTimedOut();

    CDialogView& m_view;
    // Declared before the parts that read it.
    RestartEnvironment m_environment;
    CAlarmFeed m_feed;
    CAddressChangePanel m_panel;
    CAddressBox m_addressBox;
    CDeviceConnection m_connection;
    CStatusRefresh m_status;
    CRestartFollower m_follower;
};
