#include "SimServer.h"

#include "Listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// Past this many open connections the listeners are left alone until one closes, so that the
// process never runs out of descriptors.
constexpr std::size_t kMaxConnections = 4096;
constexpr int kIdlePollMs = 1000;

// The dotted local address a connection was accepted on; empty when the system cannot tell.
std::string LocalAddressOf(int fd) {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    char text[INET_ADDRSTRLEN] = {};
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0 ||
        inet_ntop(AF_INET, &local.sin_addr, text, sizeof text) == nullptr) {
        return std::string();
    }
    return text;
}

} // namespace

CSimServer::CSimServer(const SimOptions& options, CSimLog& log)
    : m_options(options), m_log(log), m_clock(options.clock) {}

CSimServer::~CSimServer() {
    CloseListeners();
    for (const int fd : m_ntpSockets) {
        close(fd);
    }
}

int CSimServer::Run(int stopFd) {
    if (!OpenListeners() || !OpenNtpSockets()) {
        return kFailed;
    }
    AnnounceReady();
    for (;;) {
        const Clock::time_point before = Clock::now();
        std::vector<pollfd> fds = PollSet(stopFd, before);
        if (poll(fds.data(), fds.size(), PollTimeoutMs(before)) < 0 && errno != EINTR) {
            std::fprintf(stderr, "vantrex-sim: poll failed: %s\n", std::strerror(errno));
            return kFailed;
        }
        if (fds[0].revents != 0) {
            return kStopped;
        }
        const Clock::time_point now = Clock::now();
        ServeRound(fds, now);
        if (!FinishRound(now)) {
            return kFailed;
        }
    }
}

std::vector<pollfd> CSimServer::PollSet(int stopFd, Clock::time_point now) const {
    std::vector<pollfd> fds{{stopFd, POLLIN, 0}};
    for (const Listener& listener : m_listeners) {
        fds.push_back({listener.fd, static_cast<short>(AcceptsConnections() ? POLLIN : 0), 0});
    }
    for (const int fd : m_ntpSockets) {
        fds.push_back({fd, POLLIN, 0});
    }
    for (const auto& connection : m_connections) {
        fds.push_back({connection->Fd(), connection->PollEvents(now), 0});
    }
    return fds;
}

void CSimServer::ServeRound(const std::vector<pollfd>& fds, Clock::time_point now) {
    // Connections accepted here are not in fds; they get their turn in the next round.
    const std::size_t servedCount = m_connections.size();
    for (std::size_t index = 0; index < m_listeners.size(); ++index) {
        if (fds[ListenerSlot() + index].revents & POLLIN) {
            AcceptOn(m_listeners[index], now);
        }
    }
    for (std::size_t index = 0; index < m_ntpSockets.size(); ++index) {
        if (fds[NtpSlot() + index].revents & POLLIN) {
            AnswerNtpRequests(m_ntpSockets[index], m_options.ntp, m_clock.Now());
        }
    }
    for (std::size_t index = 0; index < servedCount; ++index) {
        Serve(*m_connections[index], fds[ConnectionSlot() + index].revents, now);
    }
    std::erase_if(m_connections, [](const auto& connection) { return connection->IsClosed(); });
}

bool CSimServer::FinishRound(Clock::time_point now) {
    if (m_restartRequest) {
        Restart(*m_restartRequest, now);
        m_restartRequest.reset();
    }
    if (m_reopenTime && now >= *m_reopenTime) {
        m_reopenTime.reset();
        return OpenListeners();
    }
    return true;
}

bool CSimServer::OpenListeners() {
    for (const std::string& address : m_options.addresses) {
        const Listener wanted[] = {{-1, m_options.shellPort, false}, {-1, m_options.telnetPort, true}};
        for (Listener listener : wanted) {
            if (listener.port == 0) {
                continue;
            }
            std::string error;
            listener.fd = OpenListener(address, listener.port, error);
            if (listener.fd < 0) {
                std::fprintf(stderr, "vantrex-sim: %s\n", error.c_str());
                CloseListeners();
                return false;
            }
            m_listeners.push_back(listener);
        }
    }
    return true;
}

bool CSimServer::OpenNtpSockets() {
    if (m_options.ntpPort == 0) {
        return true;
    }
    for (const std::string& address : m_options.addresses) {
        std::string error;
        const int fd = OpenNtpSocket(address, m_options.ntpPort, error);
        if (fd < 0) {
            std::fprintf(stderr, "vantrex-sim: %s\n", error.c_str());
            return false;
        }
        m_ntpSockets.push_back(fd);
    }
    return true;
}

void CSimServer::CloseListeners() {
    for (const Listener& listener : m_listeners) {
        close(listener.fd);
    }
    m_listeners.clear();
}

void CSimServer::AnnounceReady() {
    if (m_options.ready && !m_announced) {
        std::fputs("vantrex-sim ready\n", stdout);
        std::fflush(stdout);
    }
    m_announced = true;
}

bool CSimServer::AcceptsConnections() const {
    return m_connections.size() < kMaxConnections;
}

void CSimServer::AcceptOn(const Listener& listener, Clock::time_point now) {
    const int fd = accept4(listener.fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
        return; // the client gave up before we took it, or descriptors ran out: both pass
    }
    const int on = 1;
    // Each slowed-down byte must leave at once rather than wait to be coalesced.
    (void)setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    SessionConfig config = m_options.session;
    config.telnet = listener.telnet;
    auto connection = std::make_unique<CConnection>(
        fd, listener.port, config, [this] { return m_clock.Now(); },
        std::chrono::milliseconds(m_options.slowMs));
    connection->Open(now, std::chrono::milliseconds(m_options.loginDelayMs));
    m_connections.push_back(std::move(connection));
}

void CSimServer::Serve(CConnection& connection, short events, Clock::time_point now) {
    if (connection.IsClosed() || m_restartRequest) {
        return;
    }
    if (events & (POLLIN | POLLHUP | POLLERR)) {
        SessionOutput output = connection.ReadInput(now);
        for (const std::string& line : output.lines) {
            m_log.LogLine(connection.Port(), line, now);
        }
        if (output.restart) {
            m_restartRequest =
                RestartRequest{connection.Port(), LocalAddressOf(connection.Fd()), *output.restart};
        }
    }
    connection.SendDue(now);
}

void CSimServer::Restart(const RestartRequest& request, Clock::time_point now) {
    m_log.LogAddressChange(request.port, request.change, now);
    CloseListeners();
    m_connections.clear();
    if (m_options.followAddress) {
        MoveAddress(request.reachedAt, request.change.ip);
    }
    m_reopenTime = now + std::chrono::milliseconds(m_options.downtimeMs);
}

void CSimServer::MoveAddress(const std::string& from, const std::string& to) {
    std::vector<std::string>& addresses = m_options.addresses;
    std::erase(addresses, from);
    // A device moved off loopback is out of this machine's reach; it must never be listened for there.
    if (IsLoopbackText(to) && std::ranges::find(addresses, to) == addresses.end()) {
        addresses.push_back(to);
    }
}

int CSimServer::PollTimeoutMs(Clock::time_point now) const {
    std::optional<Clock::time_point> wake = m_reopenTime;
    for (const auto& connection : m_connections) {
        const std::optional<Clock::time_point> due = connection->NextSendTime();
        // A byte already due waits for POLLOUT instead: a client that does not read must not make
        // the loop spin.
        if (due && *due > now && (!wake || *due < *wake)) {
            wake = due;
        }
    }
    if (!wake) {
        return kIdlePollMs;
    }
    const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(*wake - now).count();
    return static_cast<int>(std::clamp<long long>(remaining, 0, kIdlePollMs));
}
