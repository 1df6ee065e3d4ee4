#include "HttpServer.h"

#include "HttpConnection.h"

#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Connections the system holds before they are accepted: a scraper with many targets connects to all of
// them at once, and a short queue drops the rest, whose clients try again only a second later.
constexpr int kListenQueue = 1024;
// Connections taken in one wake, so that a burst of them does not hold up the answers.
constexpr int kAcceptsPerWake = 64;
// With no descriptor for a new connection, accepting waits this long before it tries again.
constexpr auto kAcceptPause = std::chrono::milliseconds(100);

} // namespace

CHttpServer::CHttpServer(CEventLoop& loop, IHttpHandler& handler, const HttpLimits& limits)
    : m_loop(loop), m_handler(handler), m_limits(limits) {}

CHttpServer::~CHttpServer() {
    Stop();
    // What is left closes now: its watches and timers hold it otherwise.
    std::vector<std::shared_ptr<CHttpConnection>> left;
    for (const auto& [key, connection] : m_connections) {
        left.push_back(connection);
    }
    for (const std::shared_ptr<CHttpConnection>& connection : left) {
        connection->Close();
    }
}

std::optional<std::string> CHttpServer::Listen(const std::string& address, int port) {
    if (std::optional<std::string> failure = m_listener.Listen(address, port, kListenQueue)) {
        return failure;
    }
    if (!m_loop.Watch(m_listener.SocketHandle(), LoopReadable, [this](unsigned) { AcceptWaiting(); })) {
        m_listener.Close();
        return "no descriptor left to watch it";
    }
    return std::nullopt;
}

void CHttpServer::AcceptWaiting() {
    for (int taken = 0; taken < kAcceptsPerWake && !m_stopping; ++taken) {
        std::string failure;
        std::unique_ptr<CTcpStream> stream = m_listener.Accept(failure);
        if (!failure.empty()) {
            m_handler.OnAcceptFailed(failure);
            PauseAccepting();
            return;
        }
        if (!stream) {
            return;
        }
        Admit(std::move(stream));
    }
}

void CHttpServer::PauseAccepting() {
    (void)m_loop.Change(m_listener.SocketHandle(), 0);
    m_acceptPause = m_loop.StartTimer(Clock::now() + kAcceptPause, [this](unsigned) {
        m_acceptPause = 0;
        (void)m_loop.Change(m_listener.SocketHandle(), LoopReadable);
    });
}

void CHttpServer::Admit(std::unique_ptr<CTcpStream> stream) {
    // Before anyone gives way: a client over its own quota must not cost another client a connection.
    if (const auto fromClient = m_perClient.find(stream->Peer());
        fromClient != m_perClient.end() && fromClient->second >= m_limits.connectionsPerClient) {
        m_handler.OnConnectionRefused(true);
        return;
    }
    if (m_connections.size() >= m_limits.connections && !MakeRoom()) {
        m_handler.OnConnectionRefused(false);
        return;
    }
    auto connection = std::make_shared<CHttpConnection>(*this, std::move(stream));
    ++m_perClient[connection->Client()];
    m_connections.emplace(connection.get(), connection);
    (void)connection->Start(); // one that cannot start has closed, and is forgotten
}

// A connection that waits after its answer gives way, the longest first, so that idle clients can never
// lock a scraper out; else the oldest that has no request whole yet, so that slow or silent heads, from
// however many addresses, cannot either: a new client has the time the others took to send its head.
// Only connections all answering refuse a new one.
bool CHttpServer::MakeRoom() {
    std::shared_ptr<CHttpConnection> givesWay;
    std::pair<int, Clock::time_point> least{2, Clock::time_point()};
    for (const auto& [key, connection] : m_connections) {
        if (const auto rank = connection->GiveWayRank(); rank && *rank < least) {
            givesWay = connection;
            least = *rank;
        }
    }
    if (givesWay) {
        m_handler.OnConnectionRefused(false);
        givesWay->Close();
    }
    return givesWay != nullptr;
}

void CHttpServer::Forget(const CHttpConnection& connection) {
    if (const auto client = m_perClient.find(connection.Client());
        client != m_perClient.end() && --client->second == 0) {
        m_perClient.erase(client);
    }
    m_connections.erase(&connection);
}

void CHttpServer::Stop() {
    if (m_stopping) {
        return;
    }
    m_stopping = true;
    if (m_listener.SocketHandle() != kNoSignal) {
        m_loop.Forget(m_listener.SocketHandle());
        m_listener.Close();
    }
    if (m_acceptPause != 0) {
        m_loop.CancelTimer(m_acceptPause);
    }
    // Shutting a connection may forget it: the connections are walked on a copy.
    std::vector<std::shared_ptr<CHttpConnection>> connections;
    for (const auto& [key, connection] : m_connections) {
        connections.push_back(connection);
    }
    for (const std::shared_ptr<CHttpConnection>& connection : connections) {
        connection->Shut();
    }
}
