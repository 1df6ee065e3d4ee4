#include "HttpConnection.h"

#include <algorithm>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;

// After an answer that closes the connection, what the client still sends is read and dropped for this
// long, so that closing with unread bytes does not reset the connection before the client has read it.
constexpr auto kLinger = std::chrono::seconds(2);
// Once stopping, an answer still being written gets this long.
constexpr auto kLastWrite = std::chrono::seconds(1);
// Parts handed to the system in one send.
constexpr std::size_t kPartsPerSend = 16;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string Seconds(std::chrono::milliseconds span) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", std::chrono::duration<double>(span).count());
    return text;
}

} // namespace

CHttpReply::CHttpReply(std::function<void(HttpAnswer)> deliver) : m_deliver(std::move(deliver)) {}

void CHttpReply::Send(HttpAnswer answer) {
    if (!m_sent) {
        m_sent = true;
        m_cancel = nullptr;
        // Released once delivered: the delivery holds the connection.
        std::function<void(HttpAnswer)> deliver = std::move(m_deliver);
        deliver(std::move(answer));
    }
}

void CHttpReply::OnCancel(std::function<void()> cancel) {
    m_cancel = std::move(cancel);
    if (m_cancelled) {
        Cancel();
    }
}

void CHttpReply::Cancel() {
    m_cancelled = true;
    if (std::function<void()> cancel = std::exchange(m_cancel, nullptr)) {
        cancel();
    }
}

CHttpConnection::CHttpConnection(CHttpServer& server, std::unique_ptr<CTcpStream> stream)
    : m_server(server), m_loop(server.Loop()),
      m_stream(std::make_unique<CConnectionStream>(std::move(stream), server.Tls().get())),
      m_socket(m_stream->SocketHandle()), m_client(m_stream->Peer()) {}

bool CHttpConnection::Start() {
    // The watch holds the record until Close forgets it.
    if (!m_loop.Watch(m_socket, LoopReadable,
                      [self = shared_from_this()](unsigned events) { self->OnEvents(events); })) {
        Close();
        return false;
    }
    ArmTimer(m_server.Limits().idleLimit);
    return true;
}

std::optional<std::pair<int, Clock::time_point>> CHttpConnection::GiveWayRank() const {
    if (m_closed || m_stage == Stage::Answering || m_stage == Stage::Writing) {
        return std::nullopt;
    }
    const bool waitsAfterAnswer = m_stage == Stage::Lingering || (m_answered && m_stage == Stage::Idle);
    return waitsAfterAnswer ? std::pair(0, m_idleSince) : std::pair(1, m_accepted);
}

void CHttpConnection::Shut() {
    switch (m_stage) {
    case Stage::Answering:
        m_reply->Cancel();
        break;
    case Stage::Writing:
        ArmTimer(kLastWrite);
        break;
    default:
        Close();
    }
}

void CHttpConnection::OnEvents(unsigned events) {
    if ((events & (LoopReadable | LoopError)) != 0 && !m_peerEnded) {
        OnReadable();
    }
    if (!m_closed && (events & (LoopWritable | LoopError)) != 0) {
        OnWritable();
    }
    if (!m_closed) {
        UpdateWatch();
    }
}

void CHttpConnection::OnReadable() {
    std::array<char, 16384>& buffer = m_server.ReadBuffer();
    const long size = m_stream->Receive(buffer.data(), buffer.size());
    if (size == kStreamAgain) {
        return;
    }
    if (size == kStreamFailed) {
        if (!m_stream->TlsFailure().empty()) {
            m_server.Handler().OnTlsFailed(m_client, m_stream->TlsFailure(), m_stream->TlsFailureFault());
        }
        CloseAndCancel();
        return;
    }
    if (size == 0) {
        OnPeerEnded();
        return;
    }
    if (m_stage == Stage::Lingering) {
        return;
    }
    (void)m_reader.Feed(std::string_view(buffer.data(), static_cast<std::size_t>(size)));
    if (m_stage == Stage::Idle) {
        BeginIfStarted();
    }
    if (m_stage == Stage::Reading) {
        Take();
    }
}

// The answer goes on; or, between answers, what TLS still has to send (its handshake).
void CHttpConnection::OnWritable() {
    if (m_stage == Stage::Writing) {
        ContinueWrite();
    } else if (m_stream->HasUnsent() && m_stream->Send(nullptr, 0) == kStreamFailed) {
        CloseAndCancel();
    }
}

// The client sends no more. Requests it sent whole are still answered (a client may half-close after its
// request); a head left unfinished never will be. Work that takes long (a probe) is for a client that may
// have gone whole, which a socket cannot tell from one that half-closed: it ends, as for a client gone.
void CHttpConnection::OnPeerEnded() {
    m_peerEnded = true;
    if (m_stage != Stage::Writing) {
        CloseAndCancel();
    }
}

// The client has gone: the work for it ends, and its answer, which comes to a closed connection, is
// logged as for a client that left.
void CHttpConnection::CloseAndCancel() {
    const std::shared_ptr<CHttpReply> reply = m_stage == Stage::Answering ? m_reply : nullptr;
    Close();
    if (reply) {
        reply->Cancel();
    }
}

void CHttpConnection::BeginIfStarted() {
    if (m_reader.HasStarted()) {
        m_stage = Stage::Reading;
        m_started = Clock::now();
        ArmTimer(m_server.Limits().requestDeadline);
    }
}

// Acts on the head as far as it has come.
void CHttpConnection::Take() {
    if (m_reader.Progress() == HeadProgress::Complete) {
        Dispatch();
    } else if (m_reader.Progress() == HeadProgress::Refused) {
        Refuse(m_reader.RefusalStatus(), m_reader.RefusalReason());
    }
}

void CHttpConnection::Dispatch() {
    m_stage = Stage::Answering;
    CancelTimer();
    m_request = HttpRequest{m_reader.Head(), m_client, m_started};
    m_reply = std::make_shared<CHttpReply>(
        [self = shared_from_this()](HttpAnswer answer) { self->Deliver(std::move(answer)); });
    if (m_server.IsStopping()) {
        m_reply->Cancel();
    }
    m_server.Handler().OnRequest(*m_request, m_reply);
}

void CHttpConnection::Deliver(HttpAnswer answer) {
    m_reply.reset();
    if (m_closed) {
        m_server.Handler().OnEnded(m_client, &*m_request, nullptr, false, SecondsSince(m_started));
        return;
    }
    Write(std::move(answer));
    if (!m_closed) {
        UpdateWatch();
    }
}

void CHttpConnection::Refuse(int status, const std::string& reason) {
    m_request.reset();
    HttpAnswer answer = TextAnswer(status, reason);
    answer.close = true;
    Write(std::move(answer));
}

void CHttpConnection::Write(HttpAnswer answer) {
    const bool keep =
        !answer.close && !m_server.IsStopping() && !m_peerEnded && m_request && m_request->head.KeepsAlive();
    answer.close = !keep;
    m_answer = std::move(answer);
    m_answerHead = AnswerHead(m_answer, keep, m_request && !m_request->head.http11);
    m_unsent = {m_answerHead};
    if (!m_request || m_request->head.method != "HEAD") {
        for (const std::shared_ptr<const std::string>& part : m_answer.body) {
            m_unsent.emplace_back(*part);
        }
    }
    m_stage = Stage::Writing;
    ArmTimer(m_server.IsStopping() ? Clock::duration(kLastWrite)
                                   : Clock::duration(m_server.Limits().writeLimit));
    ContinueWrite();
}

void CHttpConnection::ContinueWrite() {
    while (!m_unsent.empty() || m_stream->HasUnsent()) {
        const long sent = m_stream->Send(m_unsent.data(), std::min(m_unsent.size(), kPartsPerSend));
        if (sent == kStreamAgain) {
            return;
        }
        if (sent == kStreamFailed) {
            EndWrite(false);
            return;
        }
        auto left = static_cast<std::size_t>(sent);
        auto part = m_unsent.begin();
        for (; part != m_unsent.end() && left >= part->size(); ++part) {
            left -= part->size();
        }
        m_unsent.erase(m_unsent.begin(), part);
        if (!m_unsent.empty()) {
            m_unsent.front().remove_prefix(left);
        }
    }
    EndWrite(true);
}

void CHttpConnection::EndWrite(bool whole) {
    m_answered = true;
    m_server.Handler().OnEnded(m_client, m_request ? &*m_request : nullptr, &m_answer, !whole,
                               SecondsSince(m_started));
    m_unsent.clear();
    if (!whole || m_server.IsStopping()) {
        Close();
    } else if (m_answer.close) {
        Linger();
    } else {
        NextRequest();
    }
}

// A kept connection: the next request, already here in part or whole, or a wait for it. A request that
// came whole with the last is taken from the loop, so that a client piling up requests is answered one
// at a time between the others.
void CHttpConnection::NextRequest() {
    m_request.reset();
    m_answer = HttpAnswer();
    m_stage = Stage::Idle;
    m_idleSince = Clock::now();
    (void)m_reader.Next();
    if (m_peerEnded && m_reader.Progress() != HeadProgress::Complete) {
        Close(); // nothing more can come
        return;
    }
    ArmTimer(m_server.Limits().idleLimit);
    BeginIfStarted();
    if (m_stage == Stage::Reading && m_reader.Progress() != HeadProgress::Incomplete) {
        (void)m_loop.StartTimer(Clock::now(), [self = shared_from_this()](unsigned) {
            if (!self->m_closed && self->m_stage == Stage::Reading) {
                self->Take();
                if (!self->m_closed) {
                    self->UpdateWatch();
                }
            }
        });
    }
}

void CHttpConnection::Linger() {
    m_stage = Stage::Lingering;
    m_idleSince = Clock::now();
    m_stream->ShutdownSend();
    if (m_peerEnded) {
        Close();
        return;
    }
    ArmTimer(kLinger);
}

void CHttpConnection::OnTimer() {
    switch (m_stage) {
    case Stage::Reading:
        Refuse(408, "the request did not come whole within " + Seconds(m_server.Limits().requestDeadline));
        break;
    case Stage::Writing:
        EndWrite(false); // the client has not taken the answer in time
        break;
    case Stage::Answering:
        break;
    default:
        Close();
    }
    if (!m_closed) {
        UpdateWatch();
    }
}

void CHttpConnection::ArmTimer(Clock::duration span) {
    CancelTimer();
    m_timer = m_loop.StartTimer(Clock::now() + span, [self = shared_from_this()](unsigned) {
        self->m_timer = 0;
        if (!self->m_closed) {
            self->OnTimer();
        }
    });
}

void CHttpConnection::CancelTimer() {
    if (m_timer != 0) {
        m_loop.CancelTimer(std::exchange(m_timer, 0));
    }
}

void CHttpConnection::UpdateWatch() {
    const bool answering = m_stage == Stage::Answering || m_stage == Stage::Writing;
    // While a request is answered the socket is still read, to see a client leave; bytes of the next
    // requests are kept up to one head's size, and the rest waits in the system.
    const bool read = !m_peerEnded && !(answering && m_reader.Pending() >= CRequestReader::kLongestHead);
    const bool write = (m_stage == Stage::Writing && !m_unsent.empty()) || m_stream->HasUnsent();
    (void)m_loop.Change(m_socket, (read ? LoopReadable : 0u) | (write ? LoopWritable : 0u));
    // Plaintext that TLS decrypted beyond one read is taken without waiting for the socket, which may have
    // nothing more to say.
    if (read && m_stream->HasBuffered() && !m_drainDue) {
        m_drainDue = true;
        (void)m_loop.StartTimer(Clock::now(), [self = shared_from_this()](unsigned) {
            self->m_drainDue = false;
            if (!self->m_closed) {
                self->OnEvents(LoopReadable);
            }
        });
    }
}

void CHttpConnection::Close() {
    if (m_closed) {
        return;
    }
    m_closed = true;
    CancelTimer();
    m_loop.Forget(m_socket);
    m_stream.reset();
    m_server.Forget(*this);
}
