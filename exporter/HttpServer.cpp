#include "HttpServer.h"

#include <asio.hpp>

#include <array>
#include <unordered_map>
#include <unordered_set>

namespace {

using Clock = std::chrono::steady_clock;
using asio::ip::tcp;

// Connections the system holds before they are accepted: a scraper with many targets connects to all of
// them at once, and a short queue drops the rest, whose clients try again only a second later.
constexpr int kListenQueue = 1024;
// Read into the loop's one buffer once a socket is readable: an idle connection holds no buffer of its own.
constexpr std::size_t kChunk = 16384;
// After an answer that closes the connection, what the client still sends is read and dropped for this
// long, so that closing with unread bytes does not reset the connection before the client has read it.
constexpr auto kLinger = std::chrono::seconds(2);
// Once stopping, an answer still being written gets this long.
constexpr auto kLastWrite = std::chrono::seconds(1);
// With no descriptor for a new connection, accepting waits this long before it tries again.
constexpr auto kAcceptPause = std::chrono::milliseconds(100);

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

CHttpReply::~CHttpReply() = default;

void CHttpReply::Send(HttpAnswer answer) {
    if (!m_sent.exchange(true)) {
        // Released once delivered: the delivery holds the connection and keeps the loop running.
        std::function<void(HttpAnswer)> deliver = std::move(m_deliver);
        deliver(std::move(answer));
    }
}

class CHttpServer::CLoop {
public:
    class CConnection;

    CLoop(IHttpHandler& handler, const HttpLimits& limits)
        : m_handler(handler), m_limits(limits), m_acceptor(m_io), m_acceptPause(m_io) {}

    std::optional<std::string> Listen(const std::string& address, int port);
    void Run();
    void Stop() {
        asio::post(m_io, [this] { StopHere(); });
    }

    asio::io_context m_io;
    std::array<char, kChunk> m_readBuffer{};
    IHttpHandler& m_handler;
    const HttpLimits m_limits;
    bool m_stopping = false;

    void Forget(const std::shared_ptr<CConnection>& connection, std::uint32_t address);

private:
    void Accept();
    void Admit(tcp::socket socket);
    bool CloseLongestIdle();
    void StopHere();

    tcp::acceptor m_acceptor;
    asio::steady_timer m_acceptPause;
    std::unordered_set<std::shared_ptr<CConnection>> m_connections;
    std::unordered_map<std::uint32_t, std::size_t> m_perClient;
};

// One connection's record: what has come of the request under way, what it waits for, until when.
class CHttpServer::CLoop::CConnection : public std::enable_shared_from_this<CConnection> {
public:
    CConnection(CLoop& loop, tcp::socket socket, std::uint32_t address, std::string client)
        : m_loop(loop), m_socket(std::move(socket)), m_timer(loop.m_io), m_address(address),
          m_client(std::move(client)) {}

    void Start() {
        asio::error_code error;
        (void)m_socket.non_blocking(true, error);
        if (error) {
            Close();
            return;
        }
        m_idleSince = Clock::now();
        ArmTimer(m_loop.m_limits.idleLimit);
        Read();
    }

    // Since when it waits for a request; empty while one is under way.
    std::optional<Clock::time_point> IdleSince() const {
        return m_stage == Stage::Idle && !m_closed ? std::optional<Clock::time_point>(m_idleSince)
                                                   : std::nullopt;
    }

    // The server stops: what has no request under way ends now, a request being answered is cancelled.
    void Shut() {
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

private:
    enum class Stage {
        Idle,      // no request begun
        Reading,   // a request's head is coming, within the request deadline
        Answering, // the handler has the request
        Writing,   // the answer is being sent
        Lingering, // the answer closed the connection; the client's last bytes are dropped
    };

    void Read() {
        const bool answering = m_stage == Stage::Answering || m_stage == Stage::Writing;
        // While a request is answered the socket is still read, to see a client leave; bytes of the
        // next requests are kept up to one head's size, and the rest waits in the system.
        if (m_reading || m_closed || (answering && m_reader.Pending() >= CRequestReader::kLongestHead)) {
            return;
        }
        m_reading = true;
        m_socket.async_wait(
            tcp::socket::wait_read,
            [self = shared_from_this()](const asio::error_code& error) { self->OnReadable(error); });
    }

    void OnReadable(const asio::error_code& waitError) {
        m_reading = false;
        if (m_closed) {
            return;
        }
        asio::error_code error = waitError;
        const std::size_t size = error ? 0 : m_socket.read_some(asio::buffer(m_loop.m_readBuffer), error);
        if (error == asio::error::would_block || error == asio::error::try_again) {
            Read();
            return;
        }
        if (error) {
            if (m_stage == Stage::Answering) {
                m_reply->Cancel(); // the client has gone: the work for it ends, its answer is dropped
            }
            Close();
            return;
        }
        if (m_stage != Stage::Lingering) {
            (void)m_reader.Feed(std::string_view(m_loop.m_readBuffer.data(), size));
            if (m_stage == Stage::Idle) {
                BeginIfStarted();
            }
            if (m_stage == Stage::Reading) {
                Take();
            }
        }
        Read();
    }

    void BeginIfStarted() {
        if (m_reader.HasStarted()) {
            m_stage = Stage::Reading;
            m_started = Clock::now();
            ArmTimer(m_loop.m_limits.requestDeadline);
        }
    }

    // Acts on the head as far as it has come.
    void Take() {
        if (m_reader.Progress() == HeadProgress::Complete) {
            Dispatch();
        } else if (m_reader.Progress() == HeadProgress::Refused) {
            Refuse(m_reader.RefusalStatus(), m_reader.RefusalReason());
        }
    }

    void Dispatch() {
        m_stage = Stage::Answering;
        CancelTimer();
        m_request = HttpRequest{m_reader.Head(), m_client, m_started};
        auto work = std::make_shared<asio::executor_work_guard<asio::io_context::executor_type>>(
            m_loop.m_io.get_executor());
        m_reply = std::make_shared<CHttpReply>([self = shared_from_this(), work](HttpAnswer answer) {
            asio::post(self->m_loop.m_io,
                       [self, answer = std::move(answer)]() mutable { self->Deliver(std::move(answer)); });
        });
        if (m_loop.m_stopping) {
            m_reply->Cancel();
        }
        m_loop.m_handler.OnRequest(*m_request, m_reply);
    }

    void Deliver(HttpAnswer answer) {
        m_reply.reset();
        if (m_closed) {
            m_loop.m_handler.OnEnded(m_client, &*m_request, nullptr, SecondsSince(m_started));
            return;
        }
        Write(std::move(answer));
    }

    void Refuse(int status, const std::string& reason) {
        m_request.reset();
        HttpAnswer answer = TextAnswer(status, reason);
        answer.close = true;
        Write(std::move(answer));
    }

    void Write(HttpAnswer answer) {
        const bool keep = !answer.close && !m_loop.m_stopping && m_request && m_request->head.KeepsAlive();
        answer.close = !keep;
        m_answer = std::move(answer);
        m_answerHead = AnswerHead(m_answer, keep);
        std::vector<asio::const_buffer> buffers{asio::buffer(m_answerHead)};
        if (!m_request || m_request->head.method != "HEAD") {
            for (const std::shared_ptr<const std::string>& part : m_answer.body) {
                buffers.push_back(asio::buffer(*part));
            }
        }
        m_stage = Stage::Writing;
        ArmTimer(m_loop.m_stopping ? std::chrono::milliseconds(kLastWrite) : m_loop.m_limits.writeLimit);
        asio::async_write(m_socket, buffers,
                          [self = shared_from_this()](const asio::error_code& error, std::size_t) {
                              self->OnWritten(error);
                          });
        Read();
    }

    void OnWritten(const asio::error_code& error) {
        m_loop.m_handler.OnEnded(m_client, m_request ? &*m_request : nullptr, &m_answer,
                                 SecondsSince(m_started));
        if (error || m_closed || m_loop.m_stopping) {
            Close();
        } else if (m_answer.close) {
            Linger();
        } else {
            NextRequest();
        }
    }

    // A kept connection: the next request, already here in part or whole, or a wait for it.
    void NextRequest() {
        m_request.reset();
        m_answer = HttpAnswer();
        m_stage = Stage::Idle;
        m_idleSince = Clock::now();
        ArmTimer(m_loop.m_limits.idleLimit);
        (void)m_reader.Next();
        BeginIfStarted();
        if (m_stage == Stage::Reading) {
            Take();
        }
        Read();
    }

    void Linger() {
        m_stage = Stage::Lingering;
        asio::error_code ignored;
        (void)m_socket.shutdown(tcp::socket::shutdown_send, ignored); // a peer gone already is no matter
        ArmTimer(kLinger);
        Read();
    }

    void OnTimer() {
        switch (m_stage) {
        case Stage::Reading:
            Refuse(408, "the request did not come whole within " + Seconds(m_loop.m_limits.requestDeadline));
            break;
        case Stage::Answering:
            break;
        default:
            Close();
        }
    }

    void ArmTimer(Clock::duration span) {
        const std::uint64_t generation = ++m_timerGeneration;
        m_timer.expires_after(span);
        // A wait that had fired already when the timer was set again must not act: the generation tells.
        m_timer.async_wait([self = shared_from_this(), generation](const asio::error_code& error) {
            if (!error && generation == self->m_timerGeneration && !self->m_closed) {
                self->OnTimer();
            }
        });
    }

    void CancelTimer() {
        ++m_timerGeneration;
        (void)m_timer.cancel();
    }

    void Close() {
        if (m_closed) {
            return;
        }
        m_closed = true;
        CancelTimer();
        asio::error_code ignored;
        (void)m_socket.close(ignored); // nothing is left to say to the peer
        m_loop.Forget(shared_from_this(), m_address);
    }

    CLoop& m_loop;
    tcp::socket m_socket;
    asio::steady_timer m_timer;
    const std::uint32_t m_address;
    const std::string m_client;
    std::uint64_t m_timerGeneration = 0;
    CRequestReader m_reader;
    bool m_reading = false;
    bool m_closed = false;
    Stage m_stage = Stage::Idle;
    Clock::time_point m_started = Clock::now();
    Clock::time_point m_idleSince = Clock::now();
    std::optional<HttpRequest> m_request;
    std::shared_ptr<CHttpReply> m_reply;
    HttpAnswer m_answer;
    std::string m_answerHead;
};

std::optional<std::string> CHttpServer::CLoop::Listen(const std::string& address, int port) {
    asio::error_code error;
    const asio::ip::address_v4 host = asio::ip::make_address_v4(address, error);
    if (!error) {
        (void)m_acceptor.open(tcp::v4(), error);
    }
    // Only a socket left from an earlier run may be waited out; a listening one keeps the port (no
    // SO_REUSEPORT, which would let two programs share the connections).
    if (!error) {
        (void)m_acceptor.set_option(tcp::acceptor::reuse_address(true), error);
    }
    if (!error) {
        (void)m_acceptor.bind(tcp::endpoint(host, static_cast<unsigned short>(port)), error);
    }
    if (!error) {
        (void)m_acceptor.listen(kListenQueue, error);
    }
    if (error == asio::error::address_in_use) {
        return "in use";
    }
    return error ? std::optional<std::string>(error.message()) : std::nullopt;
}

void CHttpServer::CLoop::Run() {
    Accept();
    m_io.run();
}

void CHttpServer::CLoop::Accept() {
    m_acceptor.async_accept([this](const asio::error_code& error, tcp::socket socket) {
        if (m_stopping || error == asio::error::operation_aborted) {
            return;
        }
        if (error) {
            m_handler.OnAcceptFailed(error.message());
            m_acceptPause.expires_after(kAcceptPause);
            m_acceptPause.async_wait([this](const asio::error_code& paused) {
                if (!paused && !m_stopping) {
                    Accept();
                }
            });
            return;
        }
        Admit(std::move(socket));
        Accept();
    });
}

void CHttpServer::CLoop::Admit(tcp::socket socket) {
    asio::error_code error;
    const tcp::endpoint peer = socket.remote_endpoint(error);
    if (error) {
        return; // gone already; the socket closes with it
    }
    const std::uint32_t address = peer.address().to_v4().to_uint();
    // Before anyone gives way: a client over its own quota must not cost another client a connection.
    if (const auto fromClient = m_perClient.find(address);
        fromClient != m_perClient.end() && fromClient->second >= m_limits.connectionsPerClient) {
        m_handler.OnConnectionRefused(true);
        return;
    }
    // At the limit, a connection that waits for nothing gives way, so that idle clients can never lock a
    // scraper out; only connections all busy with requests refuse a new one.
    if (m_connections.size() >= m_limits.connections && !CloseLongestIdle()) {
        m_handler.OnConnectionRefused(false);
        return;
    }
    ++m_perClient[address];
    auto connection =
        std::make_shared<CConnection>(*this, std::move(socket), address, peer.address().to_string());
    m_connections.insert(connection);
    connection->Start();
}

bool CHttpServer::CLoop::CloseLongestIdle() {
    std::shared_ptr<CConnection> longest;
    Clock::time_point since = Clock::time_point::max();
    for (const std::shared_ptr<CConnection>& connection : m_connections) {
        if (const std::optional<Clock::time_point> idle = connection->IdleSince(); idle && *idle < since) {
            longest = connection;
            since = *idle;
        }
    }
    if (longest) {
        m_handler.OnConnectionRefused(false);
        longest->Shut();
    }
    return longest != nullptr;
}

void CHttpServer::CLoop::Forget(const std::shared_ptr<CConnection>& connection, std::uint32_t address) {
    m_connections.erase(connection);
    if (const auto client = m_perClient.find(address); client != m_perClient.end() && --client->second == 0) {
        m_perClient.erase(client);
    }
}

void CHttpServer::CLoop::StopHere() {
    m_stopping = true;
    asio::error_code ignored;
    (void)m_acceptor.close(ignored); // its pending accept ends as aborted
    (void)m_acceptPause.cancel();
    // Shutting a connection may forget it: the set is walked on a copy.
    const std::vector<std::shared_ptr<CConnection>> connections(m_connections.begin(), m_connections.end());
    for (const std::shared_ptr<CConnection>& connection : connections) {
        connection->Shut();
    }
}

CHttpServer::CHttpServer(IHttpHandler& handler, const HttpLimits& limits)
    : m_loop(std::make_unique<CLoop>(handler, limits)) {}

CHttpServer::~CHttpServer() = default;

std::optional<std::string> CHttpServer::Listen(const std::string& address, int port) {
    return m_loop->Listen(address, port);
}

void CHttpServer::Run() {
    m_loop->Run();
}

void CHttpServer::Stop() {
    m_loop->Stop();
}
