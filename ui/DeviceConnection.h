#pragma once

#include "AddressChangePanel.h"
#include "AlarmFeed.h"
#include "DialogView.h"
#include "LinkStateRelay.h"
#include "NtpWatch.h"

#include "connect/LinkRace.h"
#include "link/RacingLink.h"

#include <memory>
#include <optional>
#include <string>

struct AddressCheck;

// The two links the window races: one on the shell port, one on the telnet port.
struct RacingLinks {
    std::unique_ptr<CRacingLink> shell;
    std::unique_ptr<CRacingLink> telnet;
};

// The window's connection to its device: the two links, their race and the relay that brings their
// reports to the window thread; the time service asked beside the winner; and how the window looks while
// it searches, once a link has won, and when it is back to disconnected.
class CDeviceConnection {
public:
    // post carries a link's report from the relay thread to the window thread; the status refresh runs
    // on timer refreshTimerId of view while connected; feed and panel outlive the connection.
    CDeviceConnection(CDialogView& view, RacingLinks links, PostStateReport post, CAlarmFeed& feed,
                      CAddressChangePanel& panel, int refreshTimerId);
    CDeviceConnection(const CDeviceConnection&) = delete;
    CDeviceConnection& operator=(const CDeviceConnection&) = delete;

    // Sets the start texts and states of the connection's and the status display's controls.
    void ShowStartTexts();
    // Starts the relay; the links report from now on.
    void StartRelay() { m_relay.Start(); }
    // Shows the search and reads the address box: the address to race for in its normal form, or
    // nothing when the box holds no plain dotted address; the attempt has then failed.
    std::optional<std::string> BeginConnect();
    // Starts both links at address (normal form) with timing; false when neither got a thread.
    bool StartRace(const std::string& address, const LinkTiming& timing);
    // What a report the relay posted means, acted on as far as the connection goes: an accepted link is
    // shown connected, a lost one has brought the window back to disconnected.
    ReportAction OnLinkState(const CWorkerThread* link, StateReport report);
    // The attempt failed: the box says so over the still connecting window, then it is disconnected.
    void FailAttempt();
    // Stops the links of a try that failed, leaving the window as it is.
    void StopRace() { m_race.Stop(); }
    // Back to the disconnected window: links and time service stopped, status cleared, panel off.
    void ResetToDisconnected();
    // Sends the address change of check to the device over the winning link.
    void RequestAddressChange(const AddressCheck& check);
    // Stops the links, then the relay: reports posted before they stopped find nothing left to act on.
    void Close();

    const CRacingLink& ShellLink() const { return *m_links.shell; }
    const CRacingLink& TelnetLink() const { return *m_links.telnet; }
    const CLinkStateRelay& Relay() const { return m_relay; }
    // The shell link until a link wins, afterwards the last winner.
    const CRacingLink& ActiveLink() const { return m_race.ActiveLink(); }
    ConnectionPhase Phase() const { return m_race.Phase(); }
    // The connected device's time service, asked beside the link.
    const CNtpWatch& TimeService() const { return m_ntpWatch; }

private:
    void ShowAccepted(LinkSide side);

    CDialogView& m_view;
    CAlarmFeed& m_feed;
    CAddressChangePanel& m_panel;
    const int m_refreshTimerId;
    RacingLinks m_links;
    // Declared after the links: it watches them, so it goes first.
    CLinkStateRelay m_relay;
    // Over the links; declared after them.
    CLinkRace m_race;
    CNtpWatch m_ntpWatch;
};
