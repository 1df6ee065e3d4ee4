// The link's thread: connects without blocking, paces and sends the dialogue's commands, waits for the
// device, a stop or an address-change request, and reports every end of a run as one LinkState.
#include "DeviceLink.h"

#include "AddressCommand.h"
#include "WholeSend.h"

#include "runtime/DebugOutput.h"
#include "runtime/PcClock.h"
#include "runtime/WaitSet.h"

#include <cstring>
#include <utility>

namespace {

void CopyAddressText(char (&target)[kLinkTextSize], const char* text) {
    std::strncpy(target, text == nullptr ? "" : text, kLinkTextSize - 1);
    target[kLinkTextSize - 1] = '\0';
}

} // namespace

CDeviceLink::CDeviceLink(std::string name) : CWorkerThread(std::move(name)) {}

CDeviceLink::~CDeviceLink() {
    // The base destructor would stop the thread only after this part is gone, while Run still uses it.
    Stop();
}

void CDeviceLink::SetTarget(std::string host, unsigned short port) {
    m_host = std::move(host);
    m_port = port;
    m_dialect = &DialectForPort(port);
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
    // Its answer is read by nobody: the device restarts, and no poll reader can make sense of it.
    m_asked = AskedAnswer::None;
    m_sendPacingMs = m_timing.pacingMs;
    m_sendLength = FormatAddressCommand(m_port, ip, mask, gateway, m_sendBuffer, sizeof m_sendBuffer);
    if (m_sendLength == 0) {
        DebugOutput("Address change refused: an address text is empty or holds more than digits and dots");
    }
}

void CDeviceLink::ResetRun() {
    m_sendLength = 0;
    m_telnetFilter = CTelnetFilter();
    m_asked = AskedAnswer::None;
    ClearReceived();
    m_bFirstPrompt = true;
    m_bPollGetdate = true;
    m_bReadWhole = false;
    CLockHold hold(m_lock);
    m_gpsState = -1;
    m_timeSyncState = -1;
    m_deviceMicros = 0;
    m_deviceSeconds = 0;
    m_lastReading.reset();
    m_peerTableReading.reset();
    m_unreadableAnswer.reset();
    m_version[0] = '\0';
    m_newIp[0] = '\0';
    m_newMask[0] = '\0';
    m_newGateway[0] = '\0';
    // A request left from an earlier run was meant for that connection, and its texts are gone.
    m_addressSignal.Reset();
}

void CDeviceLink::OnDeviceBlock(const char* data, int length) {
    for (int index = 0; index < length; ++index) {
        if (const std::optional<char> c = m_telnetFilter.Take(static_cast<unsigned char>(data[index]))) {
            OnDeviceChar(*c);
        }
    }
}

void CDeviceLink::Run() {
    SetState(StateStarting);
    ResetRun();
    if (OpenSocket()) {
        ServeConnection();
    }
    m_client.Close();
    // A run ends only through Stop, so that its last report stays readable until then.
    m_stopSignal.Wait(kInfinite);
}

bool CDeviceLink::OpenSocket() {
    if (m_client.Create(kSockStream, kIpProtoTcp, kAfInet) && m_client.SetBlocking(false) &&
        m_client.SetReuseAddress(true)) {
        return true;
    }
    SetState(StateSocketFailed);
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
            SetState(StateSocketFailed);
            return false;
        }
        // A failed request leaves the signal unset; the wait then still ends through stop.
        (void)m_client.EventSelect(EventConnect | EventClose, netSignal);
        const WaitHandle fired = WaitForAny(m_stopSignal, netSignal, kInfinite);
        if (fired == m_stopSignal.Handle()) {
            return false;
        }
        // A wait this PC could not make (a signal without a descriptor) says nothing of the device.
        if (fired == kWaitFailed) {
            SetState(StateSocketFailed);
            return false;
        }
        if (fired != netSignal.Handle()) {
            SetState(StateConnectFailed);
            return false;
        }
    }
    // Writability alone does not mean connected: a refused attempt also ends the wait.
    if (!m_client.IsConnectEstablished()) {
        SetState(StateConnectFailed);
        return false;
    }
    return true;
}

void CDeviceLink::ServeDevice(CSignal& netSignal) {
    // Each turn blocks in a wait that includes the stop signal, so Stop always ends this loop.
    for (;;) {
        if (m_sendLength != 0 && !SendPendingCommand(netSignal)) {
            return;
        }
        netSignal.Reset();
        // A failed request leaves the signal unset; the silence limit then ends the run.
        (void)m_client.EventSelect(EventRead | EventClose, netSignal);
        // The request comes before the device's data: a device that answers before every wait would
        // otherwise keep an address change waiting for as long as the connection lasts.
        const WaitHandle fired = WaitForAny(m_stopSignal, m_addressSignal, netSignal, SilenceLimitMs());
        if (fired == m_stopSignal.Handle()) {
            return;
        }
        if (fired == m_addressSignal.Handle()) {
            TakeAddressChange();
            continue;
        }
        if (fired != netSignal.Handle()) {
            SetState(StateSilent);
            return;
        }
        if (!ReceiveBlock()) {
            return;
        }
    }
}

bool CDeviceLink::SendPendingCommand(CSignal& netSignal) {
    if (m_stopSignal.Wait(m_sendPacingMs)) {
        return false;
    }
    m_lastSendPcMicros = PcClockMicros();
    const auto sendSome = [this](std::string_view rest) {
        return m_client.Send(rest.data(), static_cast<int>(rest.size()), 0);
    };
    const auto awaitWritable = [this, &netSignal] { return AwaitWritable(netSignal); };
    // Half a command could leave half an address written on the device: all of it goes, or the run ends.
    if (!SendWhole(PendingCommand(), sendSome, awaitWritable)) {
        if (!m_stopSignal.Wait(0)) {
            SetState(StateLinkClosed);
        }
        return false;
    }
    TraceDialogue('>', PendingCommand());
    m_sendLength = 0;
    return true;
}

bool CDeviceLink::AwaitWritable(CSignal& netSignal) {
    if (CTcpClient::LastError() != kErrorWouldBlock) {
        return false;
    }
    netSignal.Reset();
    // A failed request leaves the signal unset; the wait then ends through stop or its limit.
    (void)m_client.EventSelect(EventWrite | EventClose, netSignal);
    return WaitForAny(m_stopSignal, netSignal, SilenceLimitMs()) == netSignal.Handle();
}

bool CDeviceLink::ReceiveBlock() {
    char block[kLinkBufferSize];
    const int received = m_client.Receive(block, sizeof block, 0);
    if (received < 0) {
        if (CTcpClient::LastError() == kErrorWouldBlock) {
            return true;
        }
        SetState(StateReceiveFailed);
        return false;
    }
    if (received == 0) {
        SetState(StateLinkClosed);
        return false;
    }
    OnDeviceBlock(block, received);
    return true;
}

std::uint32_t CDeviceLink::SilenceLimitMs() const {
    return m_bFirstPrompt ? m_timing.firstPromptLimitMs : m_timing.promptLimitMs;
}
