#pragma once

#include "HttpAnswer.h"
#include "RequestHead.h"
#include "TlsServerContext.h"
#include "TlsSession.h"

#include "runtime/EventLoop.h"
#include "runtime/TcpListener.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

// One request whose head has come whole.
struct HttpRequest {
    RequestHead head;
    std::string client;                          // the peer's address
    std::chrono::steady_clock::time_point start; // the request's first byte
};

// Where the answer to one request goes: given at once, or later by work that takes long (a probe), which
// learns through the cancel handler that the client left before the answer or that the server stops. On
// the loop's thread only.
class CHttpReply {
public:
    explicit CHttpReply(std::function<void(HttpAnswer)> deliver);
    CHttpReply(const CHttpReply&) = delete;
    CHttpReply& operator=(const CHttpReply&) = delete;

    // Hands the answer to the server; only the first call counts.
    void Send(HttpAnswer answer);
    // Called once, at the cancellation; at once when it came already.
    void OnCancel(std::function<void()> cancel);
    bool IsCancelled() const { return m_cancelled; }
    // The server's: the client left, or the server stops.
    void Cancel();

private:
    std::function<void(HttpAnswer)> m_deliver;
    std::function<void()> m_cancel;
    bool m_sent = false;
    bool m_cancelled = false;
};

// What the server asks of the program that serves: the answers, and what to log and count.
class IHttpHandler {
public:
    virtual ~IHttpHandler() = default;
    // A complete request: answer through reply, now or later.
    virtual void OnRequest(const HttpRequest& request, std::shared_ptr<CHttpReply> reply) = 0;
    // An answer sent to client; dropped when the client did not take it whole (the write limit came, or
    // the connection broke); none (nullptr) because the client left first. The request is nullptr for a
    // head the server refused itself (400, 408, 414, 431, 505).
    virtual void OnEnded(const std::string& client, const HttpRequest* request, const HttpAnswer* answer,
                         bool dropped, double seconds) = 0;
    // A connection closed at once, too many from its address (perClient); or, with too many in all, one
    // that gave way (CHttpServer says which), or the new one when all are answering.
    virtual void OnConnectionRefused(bool perClient) = 0;
    // No descriptor for a new connection; accepting pauses for a moment.
    virtual void OnAcceptFailed(const std::string& reason) = 0;
    // A client's TLS failed (its handshake, most often), and its connection closed.
    virtual void OnTlsFailed(const std::string& client, const std::string& reason, TlsFault fault) {
        (void)client;
        (void)reason;
        (void)fault;
    }
};

struct HttpLimits {
    std::size_t connections = 4096;
    std::size_t connectionsPerClient = 1024;
    // From a request's first byte to its whole head; then 408 and the connection closes.
    std::chrono::milliseconds requestDeadline{5000};
    // A kept connection with no request begun, from its start or its last answer; then it closes.
    std::chrono::milliseconds idleLimit{120000};
    // For the client to take an answer; then it is dropped and the connection closes.
    std::chrono::milliseconds writeLimit{30000};
};

class CHttpConnection;

// An HTTP/1.1 server on the program's event loop: every connection is a small record with a deadline,
// so a client, however slow, never holds a thread. At the connection limit the connection longest idle
// after an answer, else the oldest with no request whole yet, gives way to a new one, so that no number
// of slow clients from any number of addresses keeps a scraper from its answer. Keep-alive and pipelining are
// honoured; anything the head reader refuses is answered and closed. Written here because the libraries at
// hand could not do it: Debian's cpp-httplib serves a connection on a pool thread with a time-out per read;
// libmicrohttpd 0.9.75's time-out counts inactivity (a client trickling a header line every 2 s was held for
// as long as it went on) and ends without a 408, and it does not watch a suspended connection, so a client
// leaving during a probe would go unseen; Boost.Beast is a 138 MB install. Our own loop also carries the
// devices, on Windows as well.
class CHttpServer {
public:
    CHttpServer(CEventLoop& loop, IHttpHandler& handler, const HttpLimits& limits);
    ~CHttpServer();
    CHttpServer(const CHttpServer&) = delete;
    CHttpServer& operator=(const CHttpServer&) = delete;

    // Binds address:port (IPv4 or IPv6 text; "::" takes both) without sharing the port with any other
    // socket, and serves on the loop from then on; the reason when it cannot ("in use").
    std::optional<std::string> Listen(const std::string& address, int port);
    // Stops taking connections and requests; the replies under way are cancelled, the answers being
    // written get a last moment.
    void Stop();
    // TLS for the connections from now on (none: plain HTTP); each keeps the one it began with.
    void SetTls(std::shared_ptr<const CTlsServerContext> tls) { m_tls = std::move(tls); }
    const std::shared_ptr<const CTlsServerContext>& Tls() const { return m_tls; }
    // Whether no connection is left (after Stop: every answer under way has ended).
    bool IsIdle() const { return m_connections.empty(); }

    // The connections' own: what they share of the server.
    CEventLoop& Loop() { return m_loop; }
    IHttpHandler& Handler() { return m_handler; }
    const HttpLimits& Limits() const { return m_limits; }
    bool IsStopping() const { return m_stopping; }
    // Read into this once a socket is readable: an idle connection holds no buffer of its own.
    std::array<char, 16384>& ReadBuffer() { return m_readBuffer; }
    // A connection has closed.
    void Forget(const CHttpConnection& connection);

private:
    void AcceptWaiting();
    void Admit(std::unique_ptr<CTcpStream> stream);
    // Closes the connection that gives way to a new one; false when every one is busy.
    bool MakeRoom();
    void PauseAccepting();

    CEventLoop& m_loop;
    IHttpHandler& m_handler;
    const HttpLimits m_limits;
    CTcpListener m_listener;
    bool m_stopping = false;
    std::shared_ptr<const CTlsServerContext> m_tls;
    LoopTimerId m_acceptPause = 0;
    std::array<char, 16384> m_readBuffer{};
    std::unordered_map<const CHttpConnection*, std::shared_ptr<CHttpConnection>> m_connections;
    std::unordered_map<std::string, std::size_t> m_perClient;
};
