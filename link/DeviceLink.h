#pragma once

#include "DeviceAnswers.h"
#include "DeviceDialect.h"
#include "LinkState.h"
#include "LinkTiming.h"
#include "RacingLink.h"
#include "TelnetFilter.h"

#include "runtime/Lock.h"
#include "runtime/Signal.h"
#include "runtime/TcpClient.h"
#include "runtime/WorkerThread.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Size of the send buffer, the receive accumulator and one received block.
inline constexpr std::size_t kLinkBufferSize = 4096;
// Size of an address text or the version text, NUL included.
inline constexpr std::size_t kLinkTextSize = 256;

// One TCP link to the device, driven by a thread of its own: connects, logs in on the telnet port,
// polls the device at most once per pacing interval and keeps the latest device status under a lock.
// Port 23 speaks the telnet dialect, every other port the shell dialect.
class CDeviceLink : public CWorkerThread, public CRacingLink {
public:
    explicit CDeviceLink(std::string name);
    ~CDeviceLink() override;

    // Sets the device address (dotted IPv4 text) and port; only while the thread is stopped.
    void SetTarget(std::string host, unsigned short port);
    // Replaces the time constants; only while the thread is stopped.
    void SetTiming(const LinkTiming& timing);
    // Hands the device a new address; the link thread types the commands after its pacing wait.
    void RequestAddressChange(const char* ip, const char* mask, const char* gateway) override;

    // Sets the target and the timing, then starts the thread.
    bool StartRun(const std::string& host, unsigned short port, const LinkTiming& timing) override;
    CWorkerThread& Worker() override { return *this; }
    const CWorkerThread& Worker() const override { return *this; }

    // The status snapshot, each read under the lock.
    std::int64_t CurrentDeviceTime() const override;
    IndicatorState TimeSyncState() const override;
    IndicatorState GpsState() const override;
    int IsMacUnassigned() const override;
    std::string FirmwareVersion() const override;
    std::optional<TimedClockReading> LastClockReading() const override;
    std::optional<PeerTable> LastPeerTable() const override;
    // The first answer of this run that came whole but could not be read (a version or a date); nothing
    // while every answer could be.
    std::optional<UnreadableAnswer> FirstUnreadableAnswer() const;

    // Takes one received character that is not part of a telnet command (link thread only). A NUL is
    // dropped: telnet sends a bare carriage return as CR NUL, and no prompt or answer holds one.
    void OnDeviceChar(char c);

protected:
    void Run() override;

    // Puts the dialogue and the status back to the start of a run and drops any address change still
    // requested from an earlier run (link thread).
    void ResetRun();
    // Hands one received block to the dialogue without its telnet commands; a command cut by the end
    // of a block is skipped on into the next one (link thread).
    void OnDeviceBlock(const char* data, int length);
    // Turns the requested address change into the pending command and clears the request (link thread).
    void TakeAddressChange();
    // The command waiting for its pacing wait; empty when none (link thread).
    std::string_view PendingCommand() const { return {m_sendBuffer, static_cast<std::size_t>(m_sendLength)}; }
    // The characters received since the last recognised prompt (link thread).
    std::string_view ReceivedText() const { return {m_recvBuffer, static_cast<std::size_t>(m_recvLength)}; }
    // Whether an address change waits to be taken.
    bool IsAddressChangeRequested() const { return m_addressSignal.Wait(0); }

private:
    // Which reader takes the answer that the next shell prompt ends: that of the command placed last.
    enum class AskedAnswer { None, Version, Getdate, PeerTable };

    // Opens the non-blocking socket; reports StateSocketFailed and returns false when it cannot.
    bool OpenSocket();
    // Connects and, once connected, serves the device until the run ends.
    void ServeConnection();
    // Starts the connect and waits for its outcome against stop; true when connected (else reported).
    bool AwaitConnection(const CSignal& netSignal);
    // The main loop: paced sends, then the wait for data, stop or a request; returns when the run ends.
    void ServeDevice(CSignal& netSignal);
    // Waits the pacing interval and sends the whole pending command; false on stop or when the device
    // did not take all of it (reported as closed).
    bool SendPendingCommand(CSignal& netSignal);
    // Waits until the socket takes more bytes, within the silence limit; false on stop or time-out.
    bool AwaitWritable(CSignal& netSignal);
    // Reads one block into the dialogue; false when the connection ended (reported).
    bool ReceiveBlock();
    // How long the device may stay silent before the run ends.
    std::uint32_t SilenceLimitMs() const;

    // Appends one character to the accumulator, keeping its newest text when it is full.
    void StoreReceived(char c);
    // Drops the oldest half of the full accumulator.
    void KeepNewestReceived();
    // Empties the accumulator.
    void ClearReceived();
    // Whether the searchable received text ends with prompt.
    bool ReceivedEndsWith(std::string_view prompt) const;
    // Answers a login or password prompt that the text ends with; true when it did.
    bool AnswerLogin();
    // Reads the answer that a shell prompt ends and places the next command.
    void OnShellPrompt();
    // Hands a peer-table line that c ends to the table's reader and drops it from the accumulator.
    void TakePeerTableLine(char c);
    // Stores the answer to the command placed last in the snapshot with that command's reader (takes
    // the lock).
    void ParseAnswer();
    // Stores a getdate reading whole, or no time at all (caller holds the lock).
    void StoreDeviceClock(const std::optional<DeviceClockReading>& reading);
    // Hands text, sent ('>') or received ('<'), to the debug output, one line of it a line (link thread).
    void TraceDialogue(char direction, std::string_view text) const;
    // Keeps the answer to the command whose echo is marker as unreadable, unless one is kept already
    // (caller holds the lock).
    void KeepUnreadableAnswer(const char* marker);
    // Makes command the pending command, whose answer asked reads; nothing is pending when it does not fit.
    void PlaceCommand(const char* command, AskedAnswer asked);

    CTcpClient m_client;
    mutable CLock m_lock; // guards the status snapshot and the three address texts
    CSignal m_addressSignal;
    std::string m_host;
    unsigned short m_port = kShellPort;
    const DeviceDialect* m_dialect = &kShellDialect;
    LinkTiming m_timing;

    // Link thread only.
    char m_sendBuffer[kLinkBufferSize] = {};
    int m_sendLength = 0;
    char m_recvBuffer[kLinkBufferSize] = {};
    int m_recvLength = 0;
    CTelnetFilter m_telnetFilter;
    AskedAnswer m_asked = AskedAnswer::None;
    CPeerTableReader m_peerTable;
    bool m_bPollGetdate = true;
    bool m_bFirstPrompt = true;
    bool m_bReadWhole = false;        // a peer table answered on this connection, after the date
    std::uint32_t m_sendPacingMs = 0; // the wait before the pending command
    std::int64_t m_lastSendPcMicros = 0;

    // Status snapshot, guarded by m_lock.
    std::int64_t m_deviceSeconds = 0;
    std::int64_t m_deviceMicros = 0;
    std::uint32_t m_tickStamp = 0;
    IndicatorState m_timeSyncState = -1;
    IndicatorState m_gpsState = -1;
    int m_macUnassigned = 0;
    char m_version[kLinkTextSize] = {};
    std::optional<TimedClockReading> m_lastReading;
    std::optional<PeerTable> m_peerTableReading;
    std::optional<UnreadableAnswer> m_unreadableAnswer;

    // Requested address change, guarded by m_lock.
    char m_newIp[kLinkTextSize] = {};
    char m_newMask[kLinkTextSize] = {};
    char m_newGateway[kLinkTextSize] = {};
};
