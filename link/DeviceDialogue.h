#pragma once

#include "DeviceAnswers.h"
#include "DeviceDialect.h"
#include "DeviceExchange.h"
#include "DeviceSnapshot.h"
#include "LinkInstant.h"
#include "LinkState.h"
#include "LinkTiming.h"
#include "ReceivedText.h"
#include "TelnetFilter.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// Size of an address text, NUL included: longer texts are cut to 255 characters.
inline constexpr std::size_t kLinkTextSize = 256;

// Where a run of the dialogue stands, as its driver needs to know it.
enum class DialoguePhase {
    Connecting, // started; the connection is under way (the connect limit runs)
    Talking,    // connected: the dialogue takes the device's bytes and places commands
    Ended,      // the run has ended with a final LinkState (also before the first Start)
};

// Receives the dialogue as a developer traces it: direction '>' with each command once wholly sent, '<'
// with the text each prompt ended and each peer-table line as it came.
using DialogueTraceSink = std::function<void(char direction, std::string_view text)>;

// Receives each exchange as a prompt ends its answer: the command, the answer whole and what was read.
using ExchangeSink = std::function<void(DeviceExchange&& exchange)>;

// The device dialogue of one link, without any I/O: it takes the bytes received and the time, and says
// what to send and not before when, its link state, its status snapshot and its next deadline. It owns
// no socket, thread, lock or clock, so one thread per link, one event loop for a fleet, a fuzzer and a
// table test all drive the same code. Port 23 speaks the telnet dialect, every other port the shell one.
//
// A driver's round: Start, then OnConnected once the connection stands (or End with why it does not);
// while PendingCommand is not empty, wait until SendTime, offer it to the socket and report each try
// with OnSent; otherwise read, and hand received bytes to OnReceived; call OnTimer once NextDeadline has
// passed; End the run on a failure of its own (a closed connection, a failed receive).
class CDeviceDialogue {
public:
    explicit CDeviceDialogue(unsigned short port = kShellPort, const LinkTiming& timing = LinkTiming{});

    // Changes the port and timing; takes effect at the next Start.
    void Configure(unsigned short port, const LinkTiming& timing);
    // Where the trace goes; nowhere by default.
    void SetTrace(DialogueTraceSink trace) { m_trace = std::move(trace); }
    // Where each exchange goes; nowhere by default, and then no answer is kept beyond what is read.
    void SetExchangeSink(ExchangeSink sink) { m_exchangeSink = std::move(sink); }

    // Begins a run at now: forgets what the last run read and waits for the connection.
    void Start(const LinkInstant& now);
    // The connection stands: the device now has the first-prompt limit to show a prompt.
    void OnConnected(const LinkInstant& now);
    // Takes a block of received bytes: on the telnet port telnet commands are dropped; every other byte
    // goes through the dialogue, all of the block even when a prompt in it places a command. Ignored
    // unless talking.
    void OnReceived(std::string_view bytes, const LinkInstant& now);
    // The socket took count bytes (0: none, it would block) of PendingCommand, offered at sentAt.
    void OnSent(std::size_t count, const LinkInstant& sentAt);
    // Ends the run once a limit has passed at now: the connect limit (StateConnectFailed), the silence
    // limit (StateSilent) or, while a command is half sent, the same limit for the rest (StateLinkClosed).
    void OnTimer(const LinkInstant& now);
    // Ends the run with failure, unless it has ended already: the first final state is the one kept. A
    // command still waiting is dropped.
    void End(LinkState failure);
    // Asks the device to take a new address: placed at once when no other command waits, else right
    // after that one has gone, with its own pacing. Texts longer than 255 characters are cut. False when
    // a text is not digits and dots (nothing is sent); a request outside a connection is dropped.
    bool RequestAddressChange(const char* ip, const char* mask, const char* gateway, const LinkInstant& now);

    DialoguePhase Phase() const { return m_phase; }
    // StateStarting, StateReady once a login or shell prompt was seen, or the final state of the run.
    LinkState State() const { return m_state; }
    // The part of the waiting command that the socket has not taken; empty when none waits.
    std::string_view PendingCommand() const { return std::string_view(m_command).substr(m_sent); }
    // When the waiting command may be sent, at the earliest.
    LinkClock::time_point SendTime() const { return m_sendTime; }
    // Whether a command waits and may be sent at now.
    bool IsSendDue(LinkClock::time_point now) const { return !m_command.empty() && now >= m_sendTime; }
    // Whether the driver should read: talking and no command waiting. What arrives while a command waits
    // is read after it has gone, so that an answer's prompt never replaces a command not yet sent.
    bool TakesInput() const { return m_phase == DialoguePhase::Talking && m_command.empty(); }
    // The next moment the dialogue needs its driver: when the waiting command may go, else when a limit
    // passes; nothing once the run has ended.
    std::optional<LinkClock::time_point> NextDeadline() const;
    // How long the device may stay silent now: the first-prompt limit until a shell prompt was answered.
    std::chrono::milliseconds SilenceLimit() const;
    // What the device has shown so far, and a count that changes whenever it does.
    const DeviceSnapshot& Snapshot() const { return m_snapshot; }
    std::uint64_t SnapshotRevision() const { return m_snapshotRevision; }
    // The characters received since the last recognised prompt.
    std::string_view ReceivedText() const { return m_received.View(); }

private:
    // Which reader takes the answer that the next shell prompt ends: that of the command placed last.
    enum class AskedAnswer { None, Version, Getdate, PeerTable };

    // Takes one received character that is not part of a telnet command.
    void OnDeviceChar(char c, const LinkInstant& now);
    // Answers a login or password prompt that the text ends with; true when it did.
    bool AnswerLogin(const LinkInstant& now);
    // Reads the answer that a shell prompt ends and places the next command.
    void OnShellPrompt(const LinkInstant& now);
    // Hands a peer-table line that c ends to the table's reader and drops it from the text.
    void TakePeerTableLine(char c);
    // Stores the answer to the command placed last in the snapshot with that command's reader.
    void ParseAnswer(const LinkInstant& now);
    // Makes command the waiting command, whose answer asked reads, paced pacingMs from now.
    void PlaceCommand(std::string command, AskedAnswer asked, std::uint32_t pacingMs, const LinkInstant& now);
    // The pacing of a command the dialogue asks: longer once the device has been read whole.
    std::uint32_t PollPacingMs() const;
    // Hands text to the trace, if anyone takes it.
    void Trace(char direction, std::string_view text) const;
    // Begins the exchange of command, wholly sent, if anyone takes exchanges.
    void BeginExchange(const std::string& command);
    // Hands the exchange a prompt ended at now to its sink and begins the next one, answered by nothing sent.
    void EndExchange(const LinkInstant& now);

    unsigned short m_port = kShellPort;
    const DeviceDialect* m_dialect = &kShellDialect;
    LinkTiming m_timing;
    DialogueTraceSink m_trace;
    ExchangeSink m_exchangeSink;

    DialoguePhase m_phase = DialoguePhase::Ended;
    LinkState m_state = StateReceiveFailed;
    LinkClock::time_point m_connectDeadline;
    LinkClock::time_point m_lastActivity; // the connect, the last received block or send progress

    CTelnetFilter m_telnetFilter;
    CReceivedText m_received;
    CPeerTableReader m_peerTable;
    AskedAnswer m_asked = AskedAnswer::None;
    bool m_bPollGetdate = true;
    bool m_bFirstPrompt = true;
    bool m_bReadWhole = false; // a peer table answered in this run, after the date

    std::string m_command; // the waiting command; empty when none
    std::size_t m_sent = 0;
    bool m_bSendStarted = false;
    LinkClock::time_point m_sendTime;
    std::int64_t m_lastSendPcMicros = 0;         // when the last command began to leave
    std::optional<std::string> m_addressCommand; // waits for the command before it to go

    DeviceSnapshot m_snapshot;
    std::uint64_t m_snapshotRevision = 0;

    DeviceExchange m_exchange; // the one under way; kept only while a sink takes exchanges
};
