// The link's thread: connects without blocking, waits out the dialogue's pacing, sends its commands,
// waits for the device, a stop, an address-change request or the dialogue's next limit, and reports every
// end of a run as one LinkState.
#include "DeviceLink.h"

#include "DialogueTrace.h"
#include "WholeSend.h"

#include "runtime/DebugOutput.h"
#include "runtime/WaitSet.h"
#include "runtime/WaitTime.h"

#include <cstring>
#include <utility>

namespace {

void CopyAddressText(char (&target)[kLinkTextSize], const char* text) {
    std::strncpy(target, text == nullptr ? "" : text, kLinkTextSize - 1);
    target[kLinkTextSize - 1] = '\0';
}

// The wait that ends at deadline; none when there is no deadline.
std::uint32_t WaitFor(const std::optional<LinkClock::time_point>& deadline) {
    return deadline ? MillisecondsUntil(*deadline) : kInfinite;
}

} // namespace

CDeviceLink::CDeviceLink(std::string name) : CWorkerThread(std::move(name)) {
    m_dialogue.SetTrace([this](char direction, std::string_view text) { TraceDialogue(direction, text); });
    m_dialogue.SetExchangeSink([this](DeviceExchange&& exchange) { m_exchanges.Add(std::move(exchange)); });
}

CDeviceLink::~CDeviceLink() {
    // The base destructor would stop the thread only after this part is gone, while Run still uses it.
    Stop();
}

void CDeviceLink::SetTarget(std::string host, unsigned short port) {
    m_host = std::move(host);
    m_port = port;
}

void CDeviceLink::SetTiming(const LinkTiming& timing) {
    m_timing = timing;
}

bool CDeviceLink::StartRun(const std::string& host, unsigned short port, const LinkTiming& timing) {
    Stop();
    SetTarget(host, port);
    SetTiming(timing);
    return Start();
}

void CDeviceLink::RequestAddressChange(const char* ip, const char* mask, const char* gateway) {
    CLockHold hold(m_lock);
    CopyAddressText(m_newIp, ip);
    CopyAddressText(m_newMask, mask);
    CopyAddressText(m_newGateway, gateway);
    m_addressSignal.Set();
}

void CDeviceLink::TakeAddressChange() {
    char ip[kLinkTextSize];
    char mask[kLinkTextSize];
    char gateway[kLinkTextSize];
    {
        CLockHold hold(m_lock);
        std::memcpy(ip, m_newIp, sizeof ip);
        std::memcpy(mask, m_newMask, sizeof mask);
        std::memcpy(gateway, m_newGateway, sizeof gateway);
        // Cleared together with the copy, so that a request made right after it is not lost.
        m_addressSignal.Reset();
    }
    if (!m_dialogue.RequestAddressChange(ip, mask, gateway, LinkInstantNow())) {
        DebugOutput("Address change refused: an address text is empty or holds more than digits and dots");
    }
}

void CDeviceLink::DropAddressChange() {
    CLockHold hold(m_lock);
    m_newIp[0] = '\0';
    m_newMask[0] = '\0';
    m_newGateway[0] = '\0';
    m_addressSignal.Reset();
}

void CDeviceLink::Publish() {
    if (m_dialogue.SnapshotRevision() != m_publishedRevision) {
        m_publishedRevision = m_dialogue.SnapshotRevision();
        CLockHold hold(m_lock);
        m_snapshot = m_dialogue.Snapshot();
    }
    SetState(m_dialogue.State());
}

void CDeviceLink::TraceDialogue(char direction, std::string_view text) const {
    DebugDialogueTrace(m_host, m_port, direction, text);
}

void CDeviceLink::Run() {
    DropAddressChange();
    m_exchanges.Clear();
    m_dialogue.Configure(m_port, m_timing);
    m_dialogue.Start(LinkInstantNow());
    Publish();
    if (OpenSocket()) {
        ServeConnection();
    }
    // A stop leaves the dialogue as it was, so that nothing more is reported.
    Publish();
    m_client.Close();
    // A run ends only through Stop, so that its last report stays readable until then.
    m_stopSignal.Wait(kInfinite);
}

bool CDeviceLink::OpenSocket() {
    if (m_client.Create(kSockStream, kIpProtoTcp, kAfInet) && m_client.SetBlocking(false) &&
        m_client.SetReuseAddress(true)) {
        return true;
    }
    m_dialogue.End(StateSocketFailed);
    return false;
}

void CDeviceLink::ServeConnection() {
    CSignal netSignal;
    if (AwaitConnection(netSignal)) {
        ServeDevice(netSignal);
    }
}

bool CDeviceLink::AwaitConnection(const CSignal& netSignal) {
    m_client.SetConnectTimeout(m_timing.connectTimeoutMs);
    if (m_client.Connect(m_host, m_port) != 0) {
        if (CTcpClient::LastError() != kErrorWouldBlock) {
            m_dialogue.End(StateSocketFailed);
            return false;
        }
        // A failed request leaves the signal unset; the wait then still ends through stop or the limit.
        (void)m_client.EventSelect(EventConnect | EventClose, netSignal);
        WaitHandle fired = kNothingFired;
        while (fired == kNothingFired && m_dialogue.Phase() == DialoguePhase::Connecting) {
            fired = WaitForAny(m_stopSignal, netSignal, WaitFor(m_dialogue.NextDeadline()));
            if (fired == kNothingFired) {
                m_dialogue.OnTimer(LinkInstantNow());
            }
        }
        if (fired == m_stopSignal.Handle() || m_dialogue.Phase() == DialoguePhase::Ended) {
            return false;
        }
        // A wait this PC could not make (a signal without a descriptor) says nothing of the device.
        if (fired == kWaitFailed) {
            m_dialogue.End(StateSocketFailed);
            return false;
        }
    }
    // Writability alone does not mean connected: a refused attempt also ends the wait.
    if (!m_client.IsConnectEstablished()) {
        m_dialogue.End(StateConnectFailed);
        return false;
    }
    m_dialogue.OnConnected(LinkInstantNow());
    return true;
}

void CDeviceLink::ServeDevice(CSignal& netSignal) {
    // Each turn blocks in a wait that includes the stop signal, so Stop always ends this loop.
    while (m_dialogue.Phase() == DialoguePhase::Talking) {
        Publish();
        if (!m_dialogue.PendingCommand().empty()) {
            if (!SendPendingCommand(netSignal)) {
                return;
            }
            continue;
        }
        netSignal.Reset();
        // A failed request leaves the signal unset; the silence limit then ends the run.
        (void)m_client.EventSelect(EventRead | EventClose, netSignal);
        // The request comes before the device's data: a device that answers before every wait would
        // otherwise keep an address change waiting for as long as the connection lasts.
        const WaitHandle fired =
            WaitForAny(m_stopSignal, m_addressSignal, netSignal, WaitFor(m_dialogue.NextDeadline()));
        if (fired == m_stopSignal.Handle()) {
            return;
        }
        if (fired == m_addressSignal.Handle()) {
            TakeAddressChange();
        } else if (fired == netSignal.Handle()) {
            if (!ReceiveBlock()) {
                return;
            }
        } else if (fired == kWaitFailed) {
            m_dialogue.End(StateSilent);
        } else {
            m_dialogue.OnTimer(LinkInstantNow());
        }
    }
}

bool CDeviceLink::SendPendingCommand(CSignal& netSignal) {
    if (m_stopSignal.Wait(MillisecondsUntil(m_dialogue.SendTime()))) {
        return false;
    }
    // A copy: the dialogue replaces its command once this one has gone.
    const std::string command(m_dialogue.PendingCommand());
    const auto sendSome = [this](std::string_view rest) {
        const LinkInstant now = LinkInstantNow();
        const int sent = m_client.Send(rest.data(), static_cast<int>(rest.size()), 0);
        m_dialogue.OnSent(sent > 0 ? static_cast<std::size_t>(sent) : 0, now);
        return sent;
    };
    const auto awaitWritable = [this, &netSignal] { return AwaitWritable(netSignal); };
    // Half a command could leave half an address written on the device: all of it goes, or the run ends.
    if (!SendWhole(command, sendSome, awaitWritable)) {
        if (!m_stopSignal.Wait(0)) {
            m_dialogue.End(StateLinkClosed);
        }
        return false;
    }
    return true;
}

bool CDeviceLink::AwaitWritable(CSignal& netSignal) {
    if (CTcpClient::LastError() != kErrorWouldBlock) {
        return false;
    }
    netSignal.Reset();
    // A failed request leaves the signal unset; the wait then ends through stop or its limit.
    (void)m_client.EventSelect(EventWrite | EventClose, netSignal);
    const auto limit = static_cast<std::uint32_t>(m_dialogue.SilenceLimit().count());
    return WaitForAny(m_stopSignal, netSignal, limit) == netSignal.Handle();
}

bool CDeviceLink::ReceiveBlock() {
    char block[kLinkBufferSize];
    const int received = m_client.Receive(block, sizeof block, 0);
    if (received < 0) {
        const int error = CTcpClient::LastError();
        if (error == kErrorWouldBlock) {
            return true;
        }
        m_dialogue.End(ReceiveFailure(error));
        return false;
    }
    if (received == 0) {
        m_dialogue.End(StateLinkClosed);
        return false;
    }
    m_dialogue.OnReceived(std::string_view(block, static_cast<std::size_t>(received)), LinkInstantNow());
    return true;
}

std::int64_t CDeviceLink::CurrentDeviceTime() const {
    CLockHold hold(m_lock);
    return m_snapshot.DeviceTimeAt(LinkClock::now());
}

IndicatorState CDeviceLink::TimeSyncState() const {
    CLockHold hold(m_lock);
    return m_snapshot.timeSyncState;
}

IndicatorState CDeviceLink::GpsState() const {
    CLockHold hold(m_lock);
    return m_snapshot.gpsState;
}

int CDeviceLink::IsMacUnassigned() const {
    CLockHold hold(m_lock);
    return m_snapshot.macUnassigned;
}

std::string CDeviceLink::FirmwareVersion() const {
    CLockHold hold(m_lock);
    return m_snapshot.version;
}

std::optional<TimedClockReading> CDeviceLink::LastClockReading() const {
    CLockHold hold(m_lock);
    return m_snapshot.lastReading;
}

std::optional<PeerTable> CDeviceLink::LastPeerTable() const {
    CLockHold hold(m_lock);
    return m_snapshot.peerTable;
}

std::optional<UnreadableAnswer> CDeviceLink::FirstUnreadableAnswer() const {
    CLockHold hold(m_lock);
    return m_snapshot.unreadableAnswer;
}
