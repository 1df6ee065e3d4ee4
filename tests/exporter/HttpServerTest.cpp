// The HTTP server on a loop of the test's own, driven on this thread, with plain client sockets on
// 127.0.217.x: what a connection gets back and when it closes.
#include "LoopbackConnect.h"

#include "exporter/HttpServer.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPort = 20717;

// Answers every request at once with a short text, and /big with 16 MiB (more than loopback sockets hold).
class CServerRun : public IHttpHandler {
public:
    explicit CServerRun(const HttpLimits& limits)
        : m_loop(CEventLoop::Create()), m_server(*m_loop, *this, limits) {}

    bool Listen(const char* address) { return !m_server.Listen(address, kPort); }
    // Runs the loop until done holds or ms pass; whether it holds.
    bool RunUntil(const std::function<bool()>& done, int ms = 5000) {
        const auto end = Clock::now() + std::chrono::milliseconds(ms);
        while (!done() && Clock::now() < end) {
            (void)m_loop->Wait(Clock::now() + std::chrono::milliseconds(5));
        }
        return done();
    }

    // Runs the loop until a wake finds nothing to do.
    void Settle() {
        while (m_loop->Wait(Clock::now() + std::chrono::milliseconds(2)) > 0) {
        }
    }

    void OnRequest(const HttpRequest& request, std::shared_ptr<CHttpReply> reply) override {
        clients.push_back(request.client);
        HttpAnswer answer = TextAnswer(200, "OK");
        if (request.head.target == "/big") {
            answer.body = {std::make_shared<const std::string>(16 << 20, 'x')};
        }
        reply->Send(std::move(answer));
    }
    void OnEnded(const std::string&, const HttpRequest*, const HttpAnswer* answer, bool dropped,
                 double) override {
        ended.push_back(answer == nullptr ? "left" : dropped ? "dropped" : std::to_string(answer->status));
    }
    void OnConnectionRefused(bool perClient) override { refused += perClient ? 0 : 1; }
    void OnAcceptFailed(const std::string&) override {}

    std::vector<std::string> clients; // of the requests, in order
    std::vector<std::string> ended;
    int refused = 0; // for the limit in all

private:
    std::unique_ptr<CEventLoop> m_loop;
    CHttpServer m_server;
};

// A client socket from source, connected before the loop runs (the listening queue holds it).
class CClient {
public:
    CClient(const char* source, const char* address)
        : m_socket(ConnectFrom(source, address, kPort, [](int socket) {
              const int receiveBuffer = 4096; // a client that reads nothing takes little
              (void)::setsockopt(socket, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
          })) {
        EXPECT_GE(m_socket, 0);
        (void)::fcntl(m_socket, F_SETFL, O_NONBLOCK);
    }
    ~CClient() { ::close(m_socket); }
    CClient(const CClient&) = delete;
    CClient& operator=(const CClient&) = delete;

    void Send(const std::string& bytes) const {
        EXPECT_EQ(::send(m_socket, bytes.data(), bytes.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(bytes.size()));
    }
    void EndSending() const { (void)::shutdown(m_socket, SHUT_WR); }
    // Reads what has come; true once the server has closed (or reset) the connection.
    bool ReadAndSeeClosed() {
        char buffer[4096];
        for (;;) {
            const ssize_t size = ::recv(m_socket, buffer, sizeof buffer, 0);
            if (size > 0) {
                received.append(buffer, static_cast<std::size_t>(size));
            } else {
                return size == 0 || errno != EAGAIN;
            }
        }
    }

    std::string received;

private:
    int m_socket = -1;
};

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

struct ConnectionCase {
    const char* name;
    const char* address; // the server's, one a row
    std::string bytes;
    bool endSending;       // the client half-closes after its bytes
    std::size_t answers;   // how many answers come
    const char* firstHead; // what the first answer's head holds
    bool closes;           // the server closes the connection after them
};

class HttpConnectionTest : public ::testing::TestWithParam<ConnectionCase> {};

TEST_P(HttpConnectionTest, AnswersAndClosesAsTheRequestsAsk) {
    const ConnectionCase& c = GetParam();
    CServerRun server{HttpLimits()};
    ASSERT_TRUE(server.Listen(c.address));
    CClient client("127.0.217.100", c.address);
    client.Send(c.bytes);
    if (c.endSending) {
        client.EndSending();
    }
    bool closed = false;
    (void)server.RunUntil(
        [&] {
            closed = client.ReadAndSeeClosed();
            return closed || Count(client.received, "\r\nContent-Length: ") == c.answers + 1;
        },
        c.closes ? 5000 : 300);
    EXPECT_EQ(Count(client.received, "\r\nContent-Length: "), c.answers) << client.received;
    EXPECT_NE(client.received.substr(0, client.received.find("\r\n\r\n")).find(c.firstHead),
              std::string::npos)
        << client.received;
    EXPECT_EQ(closed, c.closes) << client.received;
}

const std::string kHead = "GET /metrics HTTP/1.1\r\nHost: e\r\n";

INSTANTIATE_TEST_SUITE_P(
    Requests, HttpConnectionTest,
    ::testing::Values(
        // What follows a refused head is never taken for a request.
        ConnectionCase{"TwoLengths", "127.0.217.1",
                       kHead + "Content-Length: 0\r\nContent-Length: 20\r\n\r\n" + kHead + "\r\n", false, 1,
                       "HTTP/1.1 400 ", true},
        ConnectionCase{"NoHost", "127.0.217.2", "GET /metrics HTTP/1.1\r\n\r\n", false, 1, "HTTP/1.1 400 ",
                       true},
        ConnectionCase{"Http10KeptAlive", "127.0.217.3",
                       "GET /metrics HTTP/1.0\r\nConnection: keep-alive\r\n\r\n", false, 1,
                       "\r\nConnection: keep-alive", false},
        ConnectionCase{"Http10Closed", "127.0.217.4", "GET /metrics HTTP/1.0\r\n\r\n", false, 1,
                       "\r\nConnection: close", true},
        ConnectionCase{"Pipelined", "127.0.217.5", kHead + "\r\n" + kHead + "\r\n" + kHead + "\r\n", false, 3,
                       "HTTP/1.1 200 ", false},
        // Half-closed after its requests, the client still gets every answer, then the end.
        ConnectionCase{"HalfClosed", "127.0.217.6", kHead + "\r\n" + kHead + "\r\n", true, 2, "HTTP/1.1 200 ",
                       true},
        ConnectionCase{"HalfClosedInItsHead", "127.0.217.7", kHead, true, 0, "", true}),
    [](const ::testing::TestParamInfo<ConnectionCase>& info) { return std::string(info.param.name); });

// An answer the client does not take within the write limit is dropped, and said to be.
TEST(HttpServerTest, DropsAnAnswerNotTakenInTime) {
    HttpLimits limits;
    limits.writeLimit = std::chrono::milliseconds(300);
    CServerRun server(limits);
    ASSERT_TRUE(server.Listen("127.0.217.10"));
    CClient client("127.0.217.100", "127.0.217.10");
    client.Send("GET /big HTTP/1.1\r\nHost: e\r\n\r\n");
    ASSERT_TRUE(server.RunUntil([&] { return !server.ended.empty(); }, 30000));
    EXPECT_EQ(server.ended, std::vector<std::string>{"dropped"});
}

// With every place taken by unfinished heads, the oldest gives way to a new client, whose request is
// answered; the heads after it keep their places.
TEST(HttpServerTest, TheOldestUnfinishedHeadGivesWayAtTheLimit) {
    HttpLimits limits;
    limits.connections = 4;
    CServerRun server(limits);
    ASSERT_TRUE(server.Listen("127.0.217.11"));
    std::vector<std::unique_ptr<CClient>> slow;
    for (int index = 0; index < 4; ++index) {
        slow.push_back(
            std::make_unique<CClient>(index % 2 == 0 ? "127.0.217.101" : "127.0.217.102", "127.0.217.11"));
        slow.back()->Send("GET /metrics HTTP/1.1\r\n");
        server.Settle(); // each head begins after the one before
    }
    CClient scraper("127.0.217.103", "127.0.217.11");
    scraper.Send(kHead + "Connection: close\r\n\r\n");
    ASSERT_TRUE(server.RunUntil([&] { return scraper.ReadAndSeeClosed(); })) << scraper.received;
    EXPECT_TRUE(scraper.received.starts_with("HTTP/1.1 200 ")) << scraper.received;
    EXPECT_EQ(server.refused, 1);
    EXPECT_TRUE(slow.front()->ReadAndSeeClosed());
    EXPECT_FALSE(slow.back()->ReadAndSeeClosed());
}

// An IPv6 socket takes IPv4 clients too, and tells them by their IPv4 address (for the limit per client
// and the log); the IPv4-mapped form keeps the test on the loopback network.
TEST(HttpServerTest, AnIpv6ListenerServesIpv4Clients) {
    CServerRun server{HttpLimits()};
    ASSERT_TRUE(server.Listen("::ffff:127.0.217.12"));
    CClient client("127.0.217.104", "127.0.217.12");
    client.Send(kHead + "Connection: close\r\n\r\n");
    ASSERT_TRUE(server.RunUntil([&] { return client.ReadAndSeeClosed(); })) << client.received;
    EXPECT_EQ(server.clients, std::vector<std::string>{"127.0.217.104"});
}

} // namespace
