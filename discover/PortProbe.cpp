#include "PortProbe.h"

#include "link/DeviceAnswers.h"
#include "link/DeviceDialect.h"

#include <cstring>
#include <optional>
#include <string_view>

namespace {

// One read's block; what the search keeps of it is bounded by the received text's own size.
constexpr std::size_t kBlockSize = 1024;
// Blocks read in one step: a host that sends without end must not hold the search thread, which has
// other attempts and the stop to see to.
constexpr int kBlocksPerStep = 8;
// The device's prompt and version answer are a few dozen bytes; a host that sends far more before them
// is not the device.
constexpr std::size_t kMostFromOneHost = 16 * 1024;

} // namespace

bool CPortProbe::Start(std::uint32_t address, unsigned short port, bool readShell, const ProbeTiming& timing,
                       std::uint32_t now) {
    m_outcome = {};
    m_readShell = readShell;
    m_timing = timing;
    m_receivedTotal = 0;
    ClearReceived();
    // The last attempt's socket may have left it set; this attempt must wake only for its own.
    (void)m_signal.Reset();
    if (!m_client.Create(kSockStream, kIpProtoTcp, kAfInet) || !m_client.SetBlocking(false)) {
        m_outcome.localFailure = true;
        return Finish();
    }
    m_client.SetConnectTimeout(timing.connectLimitMs);
    // As for the link, a connect refused before it left this PC (no route, no port to send from) tells
    // nothing of the address.
    if (m_client.ConnectAddress(address, port) != 0 && CTcpClient::LastError() != kErrorWouldBlock) {
        m_outcome.localFailure = true;
        return Finish();
    }
    // Writability too: a connect that completed at once has no connect event to report everywhere.
    if (m_client.EventSelect(EventConnect | EventWrite | EventClose, m_signal) != 0) {
        m_outcome.localFailure = true;
        return Finish();
    }
    Enter(Phase::Connecting, now, timing.connectLimitMs);
    return true;
}

bool CPortProbe::Step(std::uint32_t now) {
    if (m_phase == Phase::Idle) {
        return false;
    }
    if (m_phase == Phase::Connecting) {
        return StepConnect(now);
    }
    if (!ReceiveAvailable() || m_receivedTotal > kMostFromOneHost) {
        return Finish();
    }
    OnReceived(now);
    if (m_phase == Phase::Idle) {
        return false;
    }
    if (now - m_phaseStart < m_phaseLimitMs) {
        return true;
    }
    // The phase's time is up: the pacing wait ends with the version command, every other wait with the
    // attempt.
    return m_phase == Phase::Pacing ? SendVersionCommand(now) : Finish();
}

bool CPortProbe::StepConnect(std::uint32_t now) {
    if (!m_client.IsConnectEstablished()) {
        // Refused or unanswered within the limit: nothing listens there.
        const bool underWay =
            CTcpClient::LastError() == kErrorWouldBlock && now - m_phaseStart < m_phaseLimitMs;
        return underWay || Finish();
    }
    m_outcome.answered = true;
    if (!m_readShell || m_client.EventSelect(EventRead | EventClose, m_signal) != 0) {
        return Finish();
    }
    Enter(Phase::AwaitingPrompt, now, m_timing.answerLimitMs);
    // Data may have come with the connection; the wait that follows would not report it again on every
    // platform.
    return Step(now);
}

bool CPortProbe::ReceiveAvailable() {
    char block[kBlockSize];
    for (int blocks = 0; blocks < kBlocksPerStep; ++blocks) {
        const int received = m_client.Receive(block, sizeof block, 0);
        if (received <= 0) {
            return received < 0 && CTcpClient::LastError() == kErrorWouldBlock;
        }
        m_receivedTotal += static_cast<std::size_t>(received);
        StoreReceived(block, static_cast<std::size_t>(received));
    }
    // More may be waiting; the socket's condition wakes the next wait for it.
    return true;
}

void CPortProbe::StoreReceived(const char* data, std::size_t length) {
    for (std::size_t index = 0; index < length; ++index) {
        // A bare carriage return may come as CR NUL; no prompt or answer holds a NUL.
        if (data[index] == '\0') {
            continue;
        }
        if (m_receivedLength == kReceivedSize - 1) {
            // Only the newest text can end with a prompt; an answer this long is no device's anyway.
            const std::size_t kept = kReceivedSize / 2;
            std::memmove(m_received, m_received + m_receivedLength - kept, kept);
            m_receivedLength = kept;
        }
        m_received[m_receivedLength++] = data[index];
    }
    m_received[m_receivedLength] = '\0';
}

void CPortProbe::ClearReceived() {
    m_receivedLength = 0;
    m_received[0] = '\0';
}

void CPortProbe::OnReceived(std::uint32_t now) {
    if (!EndsWithPrompt(std::string_view(m_received, m_receivedLength), kShellPrompt)) {
        return;
    }
    if (m_phase == Phase::AwaitingPrompt) {
        Enter(Phase::Pacing, now, m_timing.pacingMs);
    } else if (m_phase == Phase::AwaitingVersion) {
        if (const std::optional<std::string_view> version =
                ParseVersionAnswer(m_received, kShellDialect.versionMarker)) {
            m_outcome.firmware = std::string(*version);
        }
        Finish();
    }
}

bool CPortProbe::SendVersionCommand(std::uint32_t now) {
    const std::size_t length = std::strlen(kShellDialect.versionCommand);
    // A fresh connection's send buffer takes a few bytes whole; a socket that does not is given up.
    if (m_client.Send(kShellDialect.versionCommand, static_cast<int>(length), 0) !=
        static_cast<int>(length)) {
        return Finish();
    }
    // Only the answer is read: the marker is looked for in what follows the command.
    ClearReceived();
    Enter(Phase::AwaitingVersion, now, m_timing.answerLimitMs);
    return true;
}

std::uint32_t CPortProbe::MsUntilDeadline(std::uint32_t now) const {
    const std::uint32_t spent = now - m_phaseStart;
    return spent >= m_phaseLimitMs ? 0 : m_phaseLimitMs - spent;
}

void CPortProbe::Enter(Phase phase, std::uint32_t now, std::uint32_t limitMs) {
    m_phase = phase;
    m_phaseStart = now;
    m_phaseLimitMs = limitMs;
}

bool CPortProbe::Finish() {
    // Nothing to recover from a failed close: the socket is released either way.
    (void)m_client.Close();
    m_phase = Phase::Idle;
    return false;
}
