// How long Stop takes from each of the link thread's waits: the connect, the pacing and the device.
#include "link/DeviceLink.h"
#include "tests/link/LinkWaits.h"
#include "tests/link/UnansweringListener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

namespace {

// A loopback listener that accepts one link per round and greets it with text (or with nothing).
class CGreetingServer {
public:
    explicit CGreetingServer(const char* address) {
        sockaddr_in endpoint{};
        endpoint.sin_family = AF_INET;
        endpoint.sin_port = htons(kShellPort);
        const int on = 1;
        m_ready = inet_pton(AF_INET, address, &endpoint.sin_addr) == 1 &&
                  (m_listener = socket(AF_INET, SOCK_STREAM, 0)) >= 0 &&
                  setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0 &&
                  bind(m_listener, reinterpret_cast<const sockaddr*>(&endpoint), sizeof endpoint) == 0 &&
                  listen(m_listener, 4) == 0;
    }
    ~CGreetingServer() {
        Drop();
        if (m_listener >= 0) {
            close(m_listener);
        }
    }
    CGreetingServer(const CGreetingServer&) = delete;
    CGreetingServer& operator=(const CGreetingServer&) = delete;

    // Whether the listener is bound.
    bool IsReady() const { return m_ready; }
    // Accepts the next link within 2 s and sends greeting; false when none came.
    bool AcceptAndGreet(const char* greeting, std::size_t length) {
        pollfd waiting{m_listener, POLLIN, 0};
        if (poll(&waiting, 1, 2000) != 1 || (m_connection = accept(m_listener, nullptr, nullptr)) < 0) {
            return false;
        }
        return send(m_connection, greeting, length, MSG_NOSIGNAL) == static_cast<ssize_t>(length);
    }
    // Closes the accepted connection.
    void Drop() {
        if (m_connection >= 0) {
            close(m_connection);
            m_connection = -1;
        }
    }

private:
    int m_listener = -1;
    int m_connection = -1;
    bool m_ready = false;
};

// Long enough for the link thread to be blocked in the wait that the round measures.
constexpr auto kSettle = std::chrono::milliseconds(20);

// Measures Stop once per round; reach starts the link and brings it into the wait, false on failure.
template <typename Reach>
void MeasureStop(benchmark::State& state, Reach reach) {
    CDeviceLink link("");
    for (auto _ : state) {
        if (!reach(link)) {
            state.SkipWithError("the link did not reach the wait");
            link.Stop();
            break;
        }
        std::this_thread::sleep_for(kSettle);
        state.SetIterationTime(MeasureMs([&] { link.Stop(); }) / 1000.0);
    }
}

void BM_StopDuringConnect(benchmark::State& state) {
    CUnansweringListener listener("127.0.5.1", kShellPort);
    if (!listener.IsReady()) {
        state.SkipWithError("no unanswering listener");
        return;
    }
    MeasureStop(state, [](CDeviceLink& link) {
        link.SetTarget("127.0.5.1", kShellPort);
        return link.Start() && WaitForState(link, StateStarting, 2000);
    });
}
BENCHMARK(BM_StopDuringConnect)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_StopDuringPacing(benchmark::State& state) {
    CGreetingServer server("127.0.5.2");
    if (!server.IsReady()) {
        state.SkipWithError("no server");
        return;
    }
    MeasureStop(state, [&](CDeviceLink& link) {
        server.Drop();
        link.SetTarget("127.0.5.2", kShellPort);
        // The prompt makes the link wait its pacing before it sends the version command.
        return link.Start() && server.AcceptAndGreet("# ", 2) && WaitForState(link, StateReady, 2000);
    });
}
BENCHMARK(BM_StopDuringPacing)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_StopDuringDeviceWait(benchmark::State& state) {
    CGreetingServer server("127.0.5.3");
    if (!server.IsReady()) {
        state.SkipWithError("no server");
        return;
    }
    MeasureStop(state, [&](CDeviceLink& link) {
        server.Drop();
        link.SetTarget("127.0.5.3", kShellPort);
        // Connected and nothing to send: the link waits for the device's first prompt.
        return link.Start() && server.AcceptAndGreet("", 0);
    });
}
BENCHMARK(BM_StopDuringDeviceWait)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace
