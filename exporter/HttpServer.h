#pragma once

#include "HttpAnswer.h"
#include "RequestHead.h"

#include "runtime/Signal.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>

// One request whose head has come whole.
struct HttpRequest {
    RequestHead head;
    std::string client;                          // the peer's dotted address
    std::chrono::steady_clock::time_point start; // the request's first byte
};

// Where the answer to one request goes: given at once, or later from any thread by work that takes long
// (a probe), which watches Cancelled: set when the client leaves before the answer or the server stops.
class CHttpReply {
public:
    explicit CHttpReply(std::function<void(HttpAnswer)> deliver);
    ~CHttpReply();
    CHttpReply(const CHttpReply&) = delete;
    CHttpReply& operator=(const CHttpReply&) = delete;

    // Hands the answer to the server; only the first call counts. From any thread.
    void Send(HttpAnswer answer);
    const CSignal& Cancelled() const { return m_cancelled; }
    // The server's: the client left, or the server stops.
    void Cancel() { (void)m_cancelled.Set(); }

private:
    std::function<void(HttpAnswer)> m_deliver;
    std::atomic<bool> m_sent{false};
    CSignal m_cancelled;
};

// What the server asks of the program that serves: the answers, and what to log and count.
class IHttpHandler {
public:
    virtual ~IHttpHandler() = default;
    // A complete request: answer through reply, now or later.
    virtual void OnRequest(const HttpRequest& request, std::shared_ptr<CHttpReply> reply) = 0;
    // An answer sent to client, or none (nullptr) because the client left first. The request is nullptr
    // for a head the server refused itself (400, 408, 414, 431, 505).
    virtual void OnEnded(const std::string& client, const HttpRequest* request, const HttpAnswer* answer,
                         double seconds) = 0;
    // A connection closed at once, too many from its address (perClient); or, with too many in all, the
    // one that had waited longest for a request, or the new one when every other is busy.
    virtual void OnConnectionRefused(bool perClient) = 0;
    // No descriptor for a new connection; accepting pauses for a moment.
    virtual void OnAcceptFailed(const std::string& reason) = 0;
};

struct HttpLimits {
    std::size_t connections = 4096;
    std::size_t connectionsPerClient = 1024;
    // From a request's first byte to its whole head; then 408 and the connection closes.
    std::chrono::milliseconds requestDeadline{5000};
    // A kept connection with no request begun, from its start or its last answer; then it closes.
    std::chrono::milliseconds idleLimit{120000};
    // For the client to take an answer.
    std::chrono::milliseconds writeLimit{30000};
};

// An HTTP/1.1 server on one thread: every connection is a small record with a deadline on an event
// loop (Asio), so a client, however slow, never holds a thread, and no number of them can keep the others
// from being answered. Keep-alive is honoured; anything the head reader refuses is answered and closed.
// Written here because the libraries at hand could not do it: Debian's cpp-httplib serves a connection
// on a pool thread with a time-out per read; libmicrohttpd 0.9.75's time-out counts inactivity (a client
// trickling a header line every 2 s was held for as long as it went on) and ends without a 408, and it
// does not watch a suspended connection, so a client leaving during a probe would go unseen; Boost.Beast
// is a 138 MB install.
class CHttpServer {
public:
    CHttpServer(IHttpHandler& handler, const HttpLimits& limits);
    ~CHttpServer();
    CHttpServer(const CHttpServer&) = delete;
    CHttpServer& operator=(const CHttpServer&) = delete;

    // Binds address:port (dotted IPv4) without sharing the port with any other socket; the reason when it
    // cannot ("in use").
    std::optional<std::string> Listen(const std::string& address, int port);
    // Serves until Stop, then until every request under way has its answer.
    void Run();
    // Stops taking connections and requests; the replies under way are cancelled. From any thread.
    void Stop();

private:
    class CLoop;
    std::unique_ptr<CLoop> m_loop;
};
