#pragma once

#include "DeviceDialogue.h"
#include "DeviceSnapshot.h"
#include "ExchangeRecord.h"
#include "LinkState.h"
#include "LinkTiming.h"
#include "RacingLink.h"

#include "runtime/Lock.h"
#include "runtime/Signal.h"
#include "runtime/TcpClient.h"
#include "runtime/WorkerThread.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// One TCP link to the device, driven by a thread of its own around a CDeviceDialogue: the thread
// connects, waits out each command's pacing, sends, reads, and keeps a copy of the dialogue's status
// snapshot under a lock for the window. Port 23 speaks the telnet dialect, every other port the shell
// dialect.
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
    const CExchangeRecord& Exchanges() const override { return m_exchanges; }

protected:
    void Run() override;

private:
    // Opens the non-blocking socket; false, with the run ended, when it cannot.
    bool OpenSocket();
    // Connects and, once connected, serves the device until the run ends.
    void ServeConnection();
    // Starts the connect and waits for its outcome against stop; true when connected (else ended).
    bool AwaitConnection(const CSignal& netSignal);
    // The main loop: paced sends, then the wait for data, stop, a request or a limit; returns when the
    // run ends or stop is set.
    void ServeDevice(CSignal& netSignal);
    // Waits for the command's time and sends all of it; false on stop or when the device did not take it.
    bool SendPendingCommand(CSignal& netSignal);
    // Waits until the socket takes more bytes, within the silence limit; false on stop or time-out.
    bool AwaitWritable(CSignal& netSignal);
    // Reads one block into the dialogue; false when the connection ended.
    bool ReceiveBlock();
    // Hands the requested address change to the dialogue and clears the request.
    void TakeAddressChange();
    // Forgets a request left from an earlier run: it was meant for that connection.
    void DropAddressChange();
    // Copies a changed snapshot for the window and reports the dialogue's state.
    void Publish();
    // Hands dialogue text, sent ('>') or received ('<'), to the debug output, one line of it a line.
    void TraceDialogue(char direction, std::string_view text) const;

    CTcpClient m_client;
    mutable CLock m_lock; // guards m_snapshot and the three address texts
    CSignal m_addressSignal;
    std::string m_host;
    unsigned short m_port = kShellPort;
    LinkTiming m_timing;

    // Link thread only.
    CDeviceDialogue m_dialogue;
    std::uint64_t m_publishedRevision = 0;

    DeviceSnapshot m_snapshot;   // guarded by m_lock
    CExchangeRecord m_exchanges; // locks itself

    // Requested address change, guarded by m_lock.
    char m_newIp[kLinkTextSize] = {};
    char m_newMask[kLinkTextSize] = {};
    char m_newGateway[kLinkTextSize] = {};
};
