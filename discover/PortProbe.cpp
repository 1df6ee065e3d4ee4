// A port's attempt as the search makes it: the shell's by the device dialogue that every link speaks,
// so that what the search calls a device is what a link can read; any other port's by its connect alone.
#include "PortProbe.h"

#include <chrono>

namespace {

LinkTiming ShellTiming(const ProbeTiming& timing) {
    LinkTiming shell;
    shell.pacingMs = timing.pacingMs;
    shell.firstPromptLimitMs = timing.answerLimitMs;
    shell.promptLimitMs = timing.answerLimitMs;
    shell.connectTimeoutMs = timing.connectLimitMs;
    return shell;
}

CEventLoop::Clock::time_point After(std::uint32_t ms) {
    return CEventLoop::Clock::now() + std::chrono::milliseconds(ms);
}

} // namespace

CPortProbe::CPortProbe(CEventLoop& loop, ProbeEnded ended)
    : m_loop(loop), m_ended(std::move(ended)), m_shell(loop, "search", [this] { OnShellNews(); }) {}

CPortProbe::~CPortProbe() {
    Release();
}

bool CPortProbe::Start(std::uint32_t address, unsigned short port, bool readShell,
                       const ProbeTiming& timing) {
    Stop();
    m_outcome = {};
    m_underWay = true;
    if (readShell) {
        // A run that cannot start reports so at the loop's next wake, like any other end.
        m_shell.Start(address, port, ShellTiming(timing));
    } else if (!StartConnect(address, port, timing.connectLimitMs)) {
        Release();
        m_outcome.localFailure = true;
        return false;
    }
    m_timer = m_loop.StartTimer(After(readShell ? timing.WholeLimitMs() : timing.connectLimitMs),
                                [this](unsigned) { OnTimeUp(); });
    return true;
}

void CPortProbe::Stop() {
    Release();
}

bool CPortProbe::StartConnect(std::uint32_t address, unsigned short port, std::uint32_t limitMs) {
    if (!m_client.Create(kSockStream, kIpProtoTcp, kAfInet) || !m_client.SetBlocking(false)) {
        return false;
    }
    m_client.SetConnectTimeout(limitMs);
    // As for the link, a connect refused before it left this PC (no route, no port to send from) tells
    // nothing of the address.
    if (m_client.ConnectAddress(address, port) != 0 && CTcpClient::LastError() != kErrorWouldBlock) {
        return false;
    }
    // A connect that completed at once is writable at the first wake.
    m_watched = m_loop.Watch(m_client.SocketHandle(), LoopWritable, [this](unsigned) { OnConnectEvent(); });
    return m_watched;
}

void CPortProbe::OnConnectEvent() {
    // Writability alone does not mean connected: a refused attempt also ends the wait.
    const int result = m_client.ConnectResult();
    if (result == kErrorWouldBlock) {
        return;
    }
    PortOutcome outcome;
    outcome.answered = result == 0;
    Finish(outcome);
}

void CPortProbe::OnShellNews() {
    const DeviceSnapshot& snapshot = m_shell.Snapshot();
    // The version is the first answer the dialogue reads; read or not, the next command is not the search's.
    if (m_shell.Phase() == DialoguePhase::Ended || !snapshot.version.empty() || snapshot.unreadableAnswer) {
        FinishShell();
    }
}

void CPortProbe::OnTimeUp() {
    m_timer = 0;
    if (!m_client.IsOpen()) {
        FinishShell();
        return;
    }
    // Unanswered within the limit: nothing listens there.
    Finish(PortOutcome{});
}

void CPortProbe::FinishShell() {
    PortOutcome outcome;
    const LinkState state = m_shell.State();
    outcome.localFailure = state == StateSocketFailed;
    // Every end but these came after the connection stood.
    outcome.answered = m_shell.Phase() == DialoguePhase::Talking ||
                       (m_shell.Phase() == DialoguePhase::Ended && state != StateConnectFailed &&
                        state != StateSocketFailed);
    outcome.firmware = m_shell.Snapshot().version;
    Finish(outcome);
}

void CPortProbe::Finish(const PortOutcome& outcome) {
    m_outcome = outcome;
    Release();
    m_ended();
}

void CPortProbe::Release() {
    m_underWay = false;
    m_shell.Stop();
    if (m_timer != 0) {
        m_loop.CancelTimer(m_timer);
        m_timer = 0;
    }
    if (m_watched) {
        m_loop.Forget(m_client.SocketHandle());
        m_watched = false;
    }
    // Nothing to recover from a failed close: the socket is released either way.
    (void)m_client.Close();
}
