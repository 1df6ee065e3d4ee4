#include "SimServer.h"

#include "Listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>

namespace {

// Descriptors kept free of connections: listeners, NTP sockets, the log, stdio and the stop signal.
constexpr rlim_t kReservedDescriptors = 64;
constexpr int kIdlePollMs = 1000;
// How often a port that cannot be bound again is tried: often enough to come back soon after it is
// freed, rarely enough to cost nothing while it stays taken.
constexpr auto kRebindInterval = std::chrono::seconds(1);
constexpr auto kRefusalReportInterval = std::chrono::seconds(1);
// A burst of new clients must not hold up those already served; the backlog keeps the rest for the
// next round.
constexpr int kAcceptsPerRound = 16;

// The connection limit asked for, lowered so that accepting never runs out of descriptors.
std::size_t ConnectionLimit(std::size_t asked) {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
        return asked;
    }
    const rlim_t usable = limit.rlim_cur > 2 * kReservedDescriptors ? limit.rlim_cur - kReservedDescriptors
                                                                    : limit.rlim_cur / 2;
    return std::min<std::size_t>(asked, static_cast<std::size_t>(usable));
}

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
    : m_options(options), m_log(log), m_clock(options.clock),
      m_maxConnections(ConnectionLimit(static_cast<std::size_t>(options.maxConnections))),
      m_gpsFlips(
          std::vector<std::chrono::milliseconds>(options.gpsFlipsMs.begin(), options.gpsFlipsMs.end())) {}

CSimServer::~CSimServer() {
    CloseAll(m_listeners);
    for (const int fd : m_ntpSockets) {
        close(fd);
    }
}

int CSimServer::Run(int stopFd, CSignalDescriptor& gpsToggle) {
    if (!OpenListeners() || !OpenNtpSockets()) {
        return kFailed;
    }
    AnnounceReady();
    for (;;) {
        const Clock::time_point before = Clock::now();
        std::vector<pollfd> fds = PollSet(stopFd, gpsToggle.Fd(), before);
        if (poll(fds.data(), fds.size(), PollTimeoutMs(before)) < 0 && errno != EINTR) {
            std::fprintf(stderr, "vantrex-sim: poll failed: %s\n", std::strerror(errno));
            return kFailed;
        }
        if (fds[kStopSlot].revents != 0) {
            return kStopped;
        }
        const Clock::time_point now = Clock::now();
        if (fds[kGpsToggleSlot].revents != 0) {
            FlipGps(gpsToggle.Drain());
        }
        FlipGps(m_gpsFlips.TakeDue(now));
        ServeRound(fds, now);
        FinishRound(now);
    }
}

std::vector<pollfd> CSimServer::PollSet(int stopFd, int gpsToggleFd, Clock::time_point now) const {
    std::vector<pollfd> fds{{stopFd, POLLIN, 0}, {gpsToggleFd, POLLIN, 0}};
    for (const Listener& listener : m_listeners) {
        fds.push_back({listener.fd, POLLIN, 0});
    }
    for (const int fd : m_ntpSockets) {
        fds.push_back({fd, POLLIN, 0});
    }
    for (const auto& connection : m_connections) {
        fds.push_back({connection->Fd(), connection->PollEvents(now), 0});
    }
    return fds;
}

void CSimServer::FlipGps(int flips) {
    if (flips % 2 == 0) {
        return;
    }
    m_gpsFlipped = !m_gpsFlipped;
    // Not trouble, so not in the log; whoever flipped it sees what it did.
    std::fprintf(stderr, "vantrex-sim: GPS lock flipped: getdate now reports %c\n",
                 GpsLetter(m_options.session.device.letter, m_gpsFlipped));
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
            for (int request = AnswerNtpRequests(m_ntpSockets[index], m_options.ntp, m_clock); request > 0;
                 --request) {
                m_log.LogLine(m_options.ntpPort, kNtpRequestLogText, now);
            }
        }
    }
    for (std::size_t index = 0; index < servedCount; ++index) {
        Serve(*m_connections[index], fds[ConnectionSlot() + index].revents, now);
    }
    std::erase_if(m_connections, [](const auto& connection) { return connection->IsClosed(); });
}

void CSimServer::FinishRound(Clock::time_point now) {
    if (m_restartRequest) {
        Restart(*m_restartRequest, now);
        m_restartRequest.reset();
    }
    if (m_reopenTime && now >= *m_reopenTime) {
        m_reopenTime.reset();
        Reopen(now);
    } else if (m_rebindTime && now >= *m_rebindTime) {
        BindMissing(now);
    }
}

bool CSimServer::OpenListeners() {
    for (const std::string& address : m_options.addresses) {
        std::ranges::copy(ListenersAt(address), std::back_inserter(m_listeners));
    }
    for (Listener& listener : m_listeners) {
        std::string error;
        listener.fd = OpenListener(listener.address, listener.port, error);
        if (listener.fd < 0) {
            std::fprintf(stderr, "vantrex-sim: %s\n", error.c_str());
            CloseAll(m_listeners);
            return false;
        }
    }
    return true;
}

std::vector<CSimServer::Listener> CSimServer::ListenersAt(const std::string& address) const {
    std::vector<Listener> listeners;
    for (const Listener& listener :
         {Listener{address, m_options.shellPort, false}, Listener{address, m_options.telnetPort, true}}) {
        if (listener.port != 0) {
            listeners.push_back(listener);
        }
    }
    return listeners;
}

void CSimServer::Reopen(Clock::time_point now) {
    if (m_move) {
        FollowMove(*m_move, now);
        m_move.reset();
    }
    for (const std::string& address : m_options.addresses) {
        if (std::ranges::none_of(m_listeners, [&](const Listener& l) { return l.address == address; })) {
            std::ranges::copy(ListenersAt(address), std::back_inserter(m_listeners));
        }
    }
    BindMissing(now);
}

void CSimServer::FollowMove(const Move& move, Clock::time_point now) {
    std::vector<std::string>& addresses = m_options.addresses;
    // A device moved off loopback is out of this machine's reach; it must never be listened for there.
    if (!IsLoopbackText(move.to)) {
        std::erase(addresses, move.from);
        return;
    }
    std::string error = move.to + " is another address of this device";
    std::vector<Listener> moved = ListenersAt(move.to);
    bool bound = std::ranges::find(addresses, move.to) == addresses.end();
    for (Listener& listener : moved) {
        if (bound) {
            listener.fd = OpenListener(move.to, listener.port, error);
            bound = listener.fd >= 0;
        }
    }
    if (bound) {
        m_listeners.insert(m_listeners.end(), moved.begin(), moved.end());
        const auto at = std::ranges::find(addresses, move.from);
        if (at != addresses.end()) {
            *at = move.to;
        } else {
            addresses.push_back(move.to);
        }
        return;
    }
    // Half a device at the new address would be worse than the whole one back at the old.
    CloseAll(moved);
    Report("cannot move " + move.from + " to " + move.to + ": " + error + "; back at " + move.from, now);
}

void CSimServer::BindMissing(Clock::time_point now) {
    bool missing = false;
    for (Listener& listener : m_listeners) {
        if (listener.fd >= 0) {
            continue;
        }
        std::string error;
        listener.fd = OpenListener(listener.address, listener.port, error);
        const std::string place = listener.address + ":" + std::to_string(listener.port);
        if (listener.fd < 0 && !listener.failing) {
            Report(error + "; trying again every second", now);
        } else if (listener.fd >= 0 && listener.failing) {
            Report("listening on " + place + " again", now);
        }
        listener.failing = listener.fd < 0;
        missing = missing || listener.failing;
    }
    m_rebindTime.reset();
    if (missing) {
        m_rebindTime = now + kRebindInterval;
    }
}

void CSimServer::Report(const std::string& text, Clock::time_point now) {
    std::fprintf(stderr, "vantrex-sim: %s\n", text.c_str());
    m_log.LogFailure(text, now);
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

void CSimServer::CloseAll(std::vector<Listener>& listeners) {
    for (const Listener& listener : listeners) {
        if (listener.fd >= 0) {
            close(listener.fd);
        }
    }
    listeners.clear();
}

void CSimServer::AnnounceReady() {
    if (m_options.ready && !m_announced) {
        std::fputs("vantrex-sim ready\n", stdout);
        std::fflush(stdout);
    }
    m_announced = true;
}

void CSimServer::AcceptOn(const Listener& listener, Clock::time_point now) {
    for (int count = 0; count < kAcceptsPerRound; ++count) {
        const int fd = accept4(listener.fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            return; // none left, the client gave up before we took it, or descriptors ran out: all pass
        }
        if (m_connections.size() >= m_maxConnections) {
            Refuse(fd, now);
        } else {
            Take(fd, listener, now);
        }
    }
}

void CSimServer::Take(int fd, const Listener& listener, Clock::time_point now) {
    const int on = 1;
    // Each slowed-down byte must leave at once rather than wait to be coalesced.
    (void)setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    SessionConfig config = m_options.session;
    config.telnet = listener.telnet;
    auto connection = std::make_unique<CConnection>(
        fd, listener.port, config, [this] { return m_clock.Now(); }, [this] { return m_gpsFlipped; },
        std::chrono::milliseconds(m_options.slowMs));
    connection->Open(now, std::chrono::milliseconds(m_options.loginDelayMs));
    m_connections.push_back(std::move(connection));
    m_gpsFlips.Start(now);
}

void CSimServer::Refuse(int fd, Clock::time_point now) {
    // Taken and closed at once, a client beyond the limit learns so now instead of waiting in the
    // backlog for a connection that will not come.
    close(fd);
    ++m_refused;
    if (!m_refusalReported || now - *m_refusalReported >= kRefusalReportInterval) {
        Report(std::to_string(m_refused) + " connection(s) refused: " + std::to_string(m_maxConnections) +
                   " are open, the most allowed",
               now);
        m_refused = 0;
        m_refusalReported = now;
    }
}

void CSimServer::Serve(CConnection& connection, short events, Clock::time_point now) {
    if (connection.IsClosed() || m_restartRequest) {
        return;
    }
    // A paused connection still learns of a hang-up or an error from its next send.
    if ((events & (POLLIN | POLLHUP | POLLERR)) && connection.WantsInput()) {
        SessionOutput output = connection.ReadInput();
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
    CloseAll(m_listeners);
    m_connections.clear();
    m_rebindTime.reset();
    if (m_options.followAddress && request.reachedAt != request.change.ip) {
        m_move = Move{request.reachedAt, request.change.ip};
    }
    m_reopenTime = now + std::chrono::milliseconds(m_options.downtimeMs);
}

int CSimServer::PollTimeoutMs(Clock::time_point now) const {
    std::optional<Clock::time_point> wake = m_reopenTime;
    for (const std::optional<Clock::time_point>& other : {m_rebindTime, m_gpsFlips.NextTime()}) {
        if (other && (!wake || *other < *wake)) {
            wake = other;
        }
    }
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
