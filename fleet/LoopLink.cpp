// The loop's side of a device link: what CDeviceLink's thread does with waits, done with watches and one
// timer. The socket is read only while the dialogue takes input and written only when a command is due,
// so that a device sees the same pacing and the dialogue the same order of events as on a thread.
#include "LoopLink.h"

#include "link/DialogueTrace.h"
#include "link/ReceivedText.h"

#include <utility>

CLoopLink::CLoopLink(CEventLoop& loop, std::string name, LoopLinkNews news)
    : m_loop(loop), m_name(std::move(name)), m_news(std::move(news)) {
    m_dialogue.SetTrace([this](char direction, std::string_view text) {
        DebugDialogueTrace(m_name, m_port, direction, text);
    });
}

CLoopLink::~CLoopLink() {
    Release();
}

void CLoopLink::Start(std::uint32_t address, unsigned short port, const LinkTiming& timing) {
    Stop();
    m_port = port;
    m_dialogue.Configure(port, timing);
    m_dialogue.Start(LinkInstantNow());
    MarkReported();
    m_client.SetConnectTimeout(timing.connectTimeoutMs);
    if (Connect(address)) {
        Arm();
    }
    if (m_dialogue.Phase() == DialoguePhase::Ended) {
        Release();
        // Told from the loop: a report from inside Start would reach an owner that has not finished
        // starting.
        SetTimer(LinkClock::now());
    }
}

void CLoopLink::Stop() {
    Release();
    MarkReported();
}

void CLoopLink::CatchUp() {
    // A connect that has just stood may have brought its first bytes too: both are looked at.
    if (m_watched && m_dialogue.Phase() == DialoguePhase::Connecting) {
        OnSocket(LoopWritable);
    }
    if (m_watched && m_dialogue.Phase() == DialoguePhase::Talking) {
        OnSocket(LoopReadable);
    }
}

bool CLoopLink::Connect(std::uint32_t address) {
    if (!m_client.Create(kSockStream, kIpProtoTcp, kAfInet) || !m_client.SetBlocking(false)) {
        m_dialogue.End(StateSocketFailed);
        return false;
    }
    if (m_client.ConnectAddress(address, m_port) == 0) {
        m_dialogue.OnConnected(LinkInstantNow());
    } else if (CTcpClient::LastError() != kErrorWouldBlock) {
        // As on a link's thread: a connect that fails before it is under way is this PC's failure.
        m_dialogue.End(StateSocketFailed);
        return false;
    }
    return true;
}

void CLoopLink::OnSocket(unsigned events) {
    if (m_dialogue.Phase() == DialoguePhase::Connecting) {
        TakeConnectOutcome();
    } else if (m_dialogue.Phase() == DialoguePhase::Talking) {
        if (m_awaitsWritable && (events & (LoopWritable | LoopError)) != 0) {
            m_awaitsWritable = false;
            SendDue(LinkInstantNow());
        }
        if (m_dialogue.TakesInput() && (events & (LoopReadable | LoopError)) != 0) {
            ReceiveBlock();
        } else if ((events & LoopError) != 0 && m_dialogue.Phase() == DialoguePhase::Talking) {
            // The connection broke while a command waits for its time: sending it could only fail.
            m_dialogue.End(StateLinkClosed);
        }
    }
    Arm();
    Report();
}

void CLoopLink::OnTimer() {
    m_timer = 0;
    m_timerAt.reset();
    if (m_dialogue.Phase() != DialoguePhase::Ended) {
        const LinkInstant now = LinkInstantNow();
        m_dialogue.OnTimer(now);
        SendDue(now);
        Arm();
    }
    Report();
}

void CLoopLink::TakeConnectOutcome() {
    // Writability alone does not mean connected: a refused attempt also ends the wait.
    const int result = m_client.ConnectResult();
    if (result == 0) {
        m_dialogue.OnConnected(LinkInstantNow());
    } else if (result != kErrorWouldBlock) {
        m_dialogue.End(StateConnectFailed);
    }
}

void CLoopLink::SendDue(const LinkInstant& now) {
    if (m_awaitsWritable) {
        return;
    }
    while (m_dialogue.IsSendDue(now.monotonic)) {
        const std::string_view rest = m_dialogue.PendingCommand();
        // Read right before the send: a getdate's round trip is measured from it.
        const LinkInstant sentAt = LinkInstantNow();
        const int sent = m_client.Send(rest.data(), static_cast<int>(rest.size()), 0);
        if (sent > 0) {
            m_dialogue.OnSent(static_cast<std::size_t>(sent), sentAt);
        } else if (sent < 0 && CTcpClient::LastError() == kErrorWouldBlock) {
            m_dialogue.OnSent(0, sentAt);
            m_awaitsWritable = true;
            return;
        } else {
            // Half a command could leave half an address written on the device: the run ends.
            m_dialogue.End(StateLinkClosed);
        }
    }
}

void CLoopLink::ReceiveBlock() {
    char block[kLinkBufferSize];
    const int received = m_client.Receive(block, sizeof block, 0);
    if (received < 0) {
        if (const int error = CTcpClient::LastError(); error != kErrorWouldBlock) {
            m_dialogue.End(ReceiveFailure(error));
        }
        return;
    }
    if (received == 0) {
        m_dialogue.End(StateLinkClosed);
        return;
    }
    m_dialogue.OnReceived(std::string_view(block, static_cast<std::size_t>(received)), LinkInstantNow());
}

void CLoopLink::Arm() {
    if (m_dialogue.Phase() == DialoguePhase::Ended) {
        Release();
        return;
    }
    unsigned events = 0; // a command waiting for its time: errors only
    if (m_dialogue.Phase() == DialoguePhase::Connecting || m_awaitsWritable) {
        events = LoopWritable;
    } else if (m_dialogue.TakesInput()) {
        events = LoopReadable;
    }
    const bool watched =
        m_watched
            ? events == m_watchedEvents || m_loop.Change(m_client.SocketHandle(), events)
            : m_loop.Watch(m_client.SocketHandle(), events, [this](unsigned ready) { OnSocket(ready); });
    if (!watched) {
        // A socket this PC cannot watch says nothing of the device.
        m_dialogue.End(StateSocketFailed);
        Release();
        return;
    }
    m_watched = true;
    m_watchedEvents = events;
    SetTimer(m_dialogue.NextDeadline());
}

void CLoopLink::SetTimer(std::optional<LinkClock::time_point> at) {
    if (m_timer != 0 && at == m_timerAt) {
        return;
    }
    if (m_timer != 0) {
        m_loop.CancelTimer(m_timer);
        m_timer = 0;
    }
    m_timerAt = at;
    if (at) {
        m_timer = m_loop.StartTimer(*at, [this](unsigned) { OnTimer(); });
    }
}

void CLoopLink::Report() {
    if (m_dialogue.Phase() == m_reportedPhase && m_dialogue.State() == m_reportedState &&
        m_dialogue.SnapshotRevision() == m_reportedRevision) {
        return;
    }
    MarkReported();
    m_news();
}

void CLoopLink::MarkReported() {
    m_reportedPhase = m_dialogue.Phase();
    m_reportedState = m_dialogue.State();
    m_reportedRevision = m_dialogue.SnapshotRevision();
}

void CLoopLink::Release() {
    SetTimer(std::nullopt);
    if (m_watched) {
        m_loop.Forget(m_client.SocketHandle());
        m_watched = false;
    }
    m_awaitsWritable = false;
    (void)m_client.Close();
}
