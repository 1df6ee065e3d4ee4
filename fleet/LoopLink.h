#pragma once

#include "link/DeviceDialogue.h"
#include "link/DeviceSnapshot.h"
#include "link/LinkState.h"
#include "link/LinkTiming.h"
#include "runtime/EventLoop.h"
#include "runtime/TcpClient.h"

#include <cstdint>
#include <functional>
#include <string>

// Told on the loop's thread, as the last thing a wake does with the link, that its phase, its state or
// its snapshot has changed. It may stop or restart the link.
using LoopLinkNews = std::function<void()>;

// One TCP link to a device on an event loop: a CDeviceDialogue over a non-blocking socket, watched for
// writability while it connects or a command is due, for input while the dialogue takes it, with one
// timer at the dialogue's next deadline. Every end of a run is one LinkState, as CDeviceLink reports it;
// no thread, lock or signal of its own. Used on the loop's thread only.
class CLoopLink {
public:
    // name: the device's address as the debug output shows it. loop outlives the link.
    CLoopLink(CEventLoop& loop, std::string name, LoopLinkNews news);
    ~CLoopLink();
    CLoopLink(const CLoopLink&) = delete;
    CLoopLink& operator=(const CLoopLink&) = delete;

    // Ends any run and starts one against address (host byte order) and port with timing. A run that
    // cannot start (no socket or no watch: a fault of this PC) ends with StateSocketFailed, reported at
    // the loop's next wake like any other end.
    void Start(std::uint32_t address, unsigned short port, const LinkTiming& timing);
    // Ends the run without a report and gives back its socket.
    void Stop();
    // Takes what the socket holds now (a connect's outcome, received bytes) as a wake that reported it
    // would, with news if anything changed: for an owner about to judge the link by what it has shown,
    // when this PC is too busy for the loop to have looked yet.
    void CatchUp();

    // Whether a socket is open: a run under way.
    bool HoldsSocket() const { return m_client.IsOpen(); }
    unsigned short Port() const { return m_port; }
    // StateStarting, StateReady once a prompt was seen, or the final state of the run.
    LinkState State() const { return m_dialogue.State(); }
    DialoguePhase Phase() const { return m_dialogue.Phase(); }
    // What the device has shown in this run.
    const DeviceSnapshot& Snapshot() const { return m_dialogue.Snapshot(); }

private:
    // Opens the socket, starts the connect and watches it; false, with the run ended, when it cannot.
    bool Connect(std::uint32_t address);
    void OnSocket(unsigned events);
    void OnTimer();
    // The connect has an outcome or an error: the dialogue starts talking or the run ends.
    void TakeConnectOutcome();
    // Sends what is due, as far as the socket takes it.
    void SendDue(const LinkInstant& now);
    // Reads one block into the dialogue, or ends the run when the connection has.
    void ReceiveBlock();
    // Watches the socket for what the dialogue waits for and sets the timer at its next deadline; closes
    // the socket once the run has ended.
    void Arm();
    void SetTimer(std::optional<LinkClock::time_point> at);
    // Tells the owner when the phase, the state or the snapshot changed since it was last told.
    void Report();
    // Takes the present as told.
    void MarkReported();
    // Forgets the watch and the timer and closes the socket.
    void Release();

    CEventLoop& m_loop;
    const std::string m_name;
    const LoopLinkNews m_news;
    unsigned short m_port = kShellPort;
    CTcpClient m_client;
    CDeviceDialogue m_dialogue;
    bool m_watched = false;
    unsigned m_watchedEvents = 0;
    bool m_awaitsWritable = false; // the socket took none of a due command
    LoopTimerId m_timer = 0;
    std::optional<LinkClock::time_point> m_timerAt;
    DialoguePhase m_reportedPhase = DialoguePhase::Ended;
    LinkState m_reportedState = StateStarting;
    std::uint64_t m_reportedRevision = 0;
};
