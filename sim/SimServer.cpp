#include "SimServer.h"

#include "Listener.h"
#include "LocalAddress.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>

namespace {

// Descriptors kept free of connections besides the listeners and NTP sockets: the log, stdio, the
// signals and the epoll set.
constexpr rlim_t kReservedDescriptors = 64;
constexpr int kIdleWaitMs = 1000;
// How often a port that cannot be bound again is tried: often enough to come back soon after it is
// freed, rarely enough to cost nothing while it stays taken.
constexpr auto kRebindInterval = std::chrono::seconds(1);
constexpr auto kRefusalReportInterval = std::chrono::seconds(1);
// A burst of new clients must not hold up those already served; the backlog keeps the rest for the
// next round.
constexpr int kAcceptsPerRound = 16;
constexpr std::size_t kEventsPerWait = 256;

std::optional<rlim_t> DescriptorLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
        return std::nullopt;
    }
    return limit.rlim_cur;
}

// The connection limit asked for, lowered so that accepting never runs out of descriptors.
std::size_t ConnectionLimit(std::size_t asked, std::size_t listening) {
    const std::optional<rlim_t> limit = DescriptorLimit();
    if (!limit) {
        return asked;
    }
    const rlim_t kept = kReservedDescriptors + listening;
    const rlim_t usable = *limit > 2 * kept ? *limit - kept : *limit / 2;
    return std::min<std::size_t>(asked, static_cast<std::size_t>(usable));
}

// How many descriptors a listener and an NTP socket for each address would take, when that is more than
// the limit leaves; none when they fit.
std::optional<std::size_t> DescriptorsBeyondLimit(const SimOptions& options) {
    const std::size_t perAddress =
        (options.shellPort != 0 ? 1 : 0) + (options.telnetPort != 0 ? 1 : 0) + (options.ntpPort != 0 ? 1 : 0);
    const std::size_t needed = options.addresses.size() * perAddress + kReservedDescriptors;
    const std::optional<rlim_t> limit = DescriptorLimit();
    return limit && needed > *limit ? std::optional(needed) : std::nullopt;
}

std::unordered_set<std::uint32_t> AddressNumbers(const std::vector<std::string>& addresses) {
    std::unordered_set<std::uint32_t> numbers;
    for (const std::string& address : addresses) {
        if (const std::optional<std::uint32_t> number = AddressNumber(address)) {
            numbers.insert(*number);
        }
    }
    return numbers;
}

std::uint32_t EpollEvents(short pollEvents) {
    return ((pollEvents & POLLIN) ? EPOLLIN : 0u) | ((pollEvents & POLLOUT) ? EPOLLOUT : 0u);
}

// Closes with a reset, as near as a listener for every address comes to a port nobody listens on.
void CloseAsRefused(int fd) {
    const linger reset{1, 0};
    (void)setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    close(fd);
}

} // namespace

CSimServer::CSimServer(const SimOptions& options, CSimLog& log)
    : m_options(options), m_log(log), m_clock(options.clock),
      m_oneSocketPerPort(options.oneSocketPerPort || DescriptorsBeyondLimit(options).has_value()),
      m_maxConnections(static_cast<std::size_t>(options.maxConnections)),
      m_gpsFlips(
          std::vector<std::chrono::milliseconds>(options.gpsFlipsMs.begin(), options.gpsFlipsMs.end())) {
    if (m_oneSocketPerPort) {
        m_served = AddressNumbers(m_options.addresses);
        m_ntpServed = m_served;
    }
}

CSimServer::~CSimServer() {
    CloseAll(m_listeners);
    for (const int fd : m_ntpSockets) {
        close(fd);
    }
}

int CSimServer::Run(int stopFd, CSignalDescriptor& gpsToggle) {
    std::string error;
    if (!m_epoll.Open(error) || !m_epoll.Add(stopFd, Key(Watched::Stop, 0), EPOLLIN) ||
        !m_epoll.Add(gpsToggle.Fd(), Key(Watched::GpsToggle, 0), EPOLLIN)) {
        std::fprintf(stderr, "vantrex-sim: %s\n", error.empty() ? std::strerror(errno) : error.c_str());
        return kFailed;
    }
    if (const std::optional<std::size_t> needed = DescriptorsBeyondLimit(m_options)) {
        std::fprintf(stderr,
                     "vantrex-sim: %zu addresses would need %zu descriptors, more than the limit allows: "
                     "one socket per port serves them all\n",
                     m_options.addresses.size(), *needed);
    }
    if (!OpenListeners() || !OpenNtpSockets()) {
        return kFailed;
    }
    m_maxConnections = ConnectionLimit(m_maxConnections, m_listeners.size() + m_ntpSockets.size());
    AnnounceReady();
    std::array<epoll_event, kEventsPerWait> events{};
    for (;;) {
        const int count = m_epoll.Wait(events, WaitTimeoutMs(Clock::now()));
        if (count < 0 && errno != EINTR) {
            std::fprintf(stderr, "vantrex-sim: epoll_wait failed: %s\n", std::strerror(errno));
            return kFailed;
        }
        const std::span<epoll_event> ready(events.data(), static_cast<std::size_t>(std::max(count, 0)));
        const auto is = [&](Watched kind) {
            return std::ranges::any_of(ready,
                                       [&](const epoll_event& e) { return e.data.u64 == Key(kind, 0); });
        };
        if (is(Watched::Stop)) {
            return kStopped;
        }
        const Clock::time_point now = Clock::now();
        if (is(Watched::GpsToggle)) {
            FlipGps(gpsToggle.Drain());
        }
        FlipGps(m_gpsFlips.TakeDue(now));
        ServeRound(ready, now);
        FinishRound(now);
    }
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

void CSimServer::ServeRound(std::span<epoll_event> ready, Clock::time_point now) {
    // Connections that were busy in the round before go last: one that has just asked goes before those
    // that flood the device, as it would at the start of a round that served them one by one.
    ++m_round;
    std::stable_partition(ready.begin(), ready.end(),
                          [this](const epoll_event& event) { return !WasBusy(event); });
    for (const epoll_event& event : ready) {
        const auto index = static_cast<std::uint32_t>(event.data.u64);
        switch (static_cast<Watched>(event.data.u64 >> 32)) {
        case Watched::Listener:
            if (index < m_listeners.size() && m_listeners[index].fd >= 0) {
                AcceptOn(m_listeners[index], now);
            }
            break;
        case Watched::Ntp:
            for (int request = AnswerNtpRequests(
                     m_ntpSockets[index], m_options.ntp, m_clock,
                     [this](std::uint32_t local) {
                         return !m_oneSocketPerPort || m_ntpServed.contains(local);
                     },
                     m_ntpPath);
                 request > 0; --request) {
                m_log.LogLine(m_options.ntpPort, kNtpRequestLogText, now);
            }
            break;
        case Watched::Connection:
            ServeReady(static_cast<int>(index), event.events, now);
            break;
        case Watched::Stop:
        case Watched::GpsToggle:
            break; // taken before the round
        }
    }
    ServeTimed(now);
    m_ntpPath.SendDue(now);
}

bool CSimServer::WasBusy(const epoll_event& event) const {
    if (static_cast<Watched>(event.data.u64 >> 32) != Watched::Connection) {
        return false;
    }
    const auto served = m_connections.find(static_cast<int>(static_cast<std::uint32_t>(event.data.u64)));
    return served != m_connections.end() && served->second.lastRound + 1 == m_round;
}

void CSimServer::ServeReady(int fd, std::uint32_t events, Clock::time_point now) {
    // A connection closed earlier in the round is gone, or its descriptor already serves a newer one,
    // which then merely finds nothing to read.
    const auto served = m_connections.find(fd);
    if (served != m_connections.end()) {
        served->second.lastRound = m_round;
        Serve(*served->second.connection, events, now);
        Refresh(served, now);
    }
}

void CSimServer::ServeTimed(Clock::time_point now) {
    std::vector<int> due;
    for (const int fd : m_timed) {
        const std::optional<Clock::time_point> next = m_connections.at(fd).connection->NextSendTime();
        if (next && *next <= now) {
            due.push_back(fd);
        }
    }
    for (const int fd : due) {
        ServeReady(fd, 0, now);
    }
}

void CSimServer::Refresh(std::unordered_map<int, Served>::iterator served, Clock::time_point now) {
    const int fd = served->first;
    const CConnection& connection = *served->second.connection;
    const std::uint32_t events = EpollEvents(connection.PollEvents(now));
    if (connection.IsClosed() ||
        (events != served->second.events &&
         !m_epoll.Modify(fd, Key(Watched::Connection, static_cast<std::uint32_t>(fd)), events))) {
        m_timed.erase(fd);
        m_connections.erase(served); // closes it, which takes it out of the epoll set
        return;
    }
    served->second.events = events;
    if (connection.NextSendTime()) {
        m_timed.insert(fd);
    } else {
        m_timed.erase(fd);
    }
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

std::vector<std::string> CSimServer::ListenAddresses() const {
    return m_oneSocketPerPort ? std::vector<std::string>{"0.0.0.0"} : m_options.addresses;
}

bool CSimServer::OpenListeners() {
    for (const std::string& address : ListenAddresses()) {
        std::ranges::copy(ListenersAt(address), std::back_inserter(m_listeners));
    }
    for (std::size_t index = 0; index < m_listeners.size(); ++index) {
        std::string error;
        if (!BindListener(index, error)) {
            std::fprintf(stderr, "vantrex-sim: %s\n", error.c_str());
            CloseAll(m_listeners);
            return false;
        }
    }
    return true;
}

bool CSimServer::BindListener(std::size_t index, std::string& error) {
    Listener& listener = m_listeners[index];
    listener.fd = OpenListener(listener.address, listener.port, error);
    if (listener.fd >= 0 &&
        !m_epoll.Add(listener.fd, Key(Watched::Listener, static_cast<std::uint32_t>(index)), EPOLLIN)) {
        error = "cannot watch " + listener.address + ":" + std::to_string(listener.port) + ": " +
                std::strerror(errno);
        close(listener.fd);
        listener.fd = -1;
    }
    return listener.fd >= 0;
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
    for (const std::string& address : ListenAddresses()) {
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
        m_served = AddressNumbers(addresses);
        return;
    }
    std::string error = move.to + " is another address of this device";
    const std::size_t firstMoved = m_listeners.size();
    bool bound = std::ranges::find(addresses, move.to) == addresses.end();
    if (bound && !m_oneSocketPerPort) {
        std::ranges::copy(ListenersAt(move.to), std::back_inserter(m_listeners));
    }
    for (std::size_t index = firstMoved; bound && index < m_listeners.size(); ++index) {
        bound = BindListener(index, error);
    }
    if (bound) {
        const auto at = std::ranges::find(addresses, move.from);
        if (at != addresses.end()) {
            *at = move.to;
        } else {
            addresses.push_back(move.to);
        }
        m_served = AddressNumbers(addresses);
        return;
    }
    // Half a device at the new address would be worse than the whole one back at the old.
    std::vector<Listener> moved(m_listeners.begin() + static_cast<std::ptrdiff_t>(firstMoved),
                                m_listeners.end());
    m_listeners.resize(firstMoved);
    CloseAll(moved);
    Report("cannot move " + move.from + " to " + move.to + ": " + error + "; back at " + move.from, now);
}

void CSimServer::BindMissing(Clock::time_point now) {
    bool missing = false;
    for (std::size_t index = 0; index < m_listeners.size(); ++index) {
        Listener& listener = m_listeners[index];
        if (listener.fd >= 0) {
            continue;
        }
        std::string error;
        const bool bound = BindListener(index, error);
        const std::string place = listener.address + ":" + std::to_string(listener.port);
        if (!bound && !listener.failing) {
            Report(error + "; trying again every second", now);
        } else if (bound && listener.failing) {
            Report("listening on " + place + " again", now);
        }
        listener.failing = !bound;
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
    for (const std::string& address : ListenAddresses()) {
        std::string error;
        const int fd = OpenNtpSocket(address, m_options.ntpPort, error);
        const auto index = static_cast<std::uint32_t>(m_ntpSockets.size());
        if (fd >= 0 && !m_epoll.Add(fd, Key(Watched::Ntp, index), EPOLLIN)) {
            error = "cannot watch UDP " + address + ": " + std::strerror(errno);
            close(fd);
        } else if (fd >= 0) {
            m_ntpSockets.push_back(fd);
            continue;
        }
        std::fprintf(stderr, "vantrex-sim: %s\n", error.c_str());
        return false;
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
        if (!CameToTheDevice(fd)) {
            CloseAsRefused(fd);
        } else if (m_connections.size() >= m_maxConnections) {
            Refuse(fd, now);
        } else {
            Take(fd, listener, now);
        }
    }
}

bool CSimServer::CameToTheDevice(int fd) const {
    if (!m_oneSocketPerPort) {
        return true; // its listener is bound to one of the device's addresses
    }
    const std::optional<std::uint32_t> local = LocalAddressOf(fd);
    return local && m_served.contains(*local);
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
    connection->Open(now, std::chrono::milliseconds(m_options.firstBytesDelayMs),
                     std::chrono::milliseconds(m_options.loginDelayMs));
    m_gpsFlips.Start(now);
    // An entry left under this descriptor belongs to a connection already closed.
    const auto [served, added] = m_connections.insert_or_assign(fd, Served{std::move(connection)});
    if (!m_epoll.Add(fd, Key(Watched::Connection, static_cast<std::uint32_t>(fd)), 0)) {
        served->second.connection->Close();
    }
    Refresh(served, now);
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

void CSimServer::Serve(CConnection& connection, std::uint32_t events, Clock::time_point now) {
    if (connection.IsClosed() || m_restartRequest) {
        return;
    }
    // A paused connection still learns of a hang-up or an error from its next send.
    if ((events & (EPOLLIN | EPOLLHUP | EPOLLERR)) && connection.WantsInput()) {
        SessionOutput output = connection.ReadInput();
        for (const std::string& line : output.lines) {
            m_log.LogLine(connection.Port(), line, now);
        }
        if (output.restart) {
            const std::optional<std::uint32_t> local = LocalAddressOf(connection.Fd());
            m_restartRequest = RestartRequest{connection.Port(),
                                              local ? DottedAddress(*local) : std::string(), *output.restart};
        }
    }
    connection.SendDue(now);
}

void CSimServer::Restart(const RestartRequest& request, Clock::time_point now) {
    m_log.LogAddressChange(request.port, request.change, now);
    CloseAll(m_listeners);
    m_connections.clear();
    m_timed.clear();
    m_rebindTime.reset();
    if (m_options.followAddress && request.reachedAt != request.change.ip) {
        m_move = Move{request.reachedAt, request.change.ip};
    }
    m_reopenTime = now + std::chrono::milliseconds(m_options.downtimeMs);
}

int CSimServer::WaitTimeoutMs(Clock::time_point now) const {
    std::optional<Clock::time_point> wake = m_reopenTime;
    for (const std::optional<Clock::time_point>& other :
         {m_rebindTime, m_gpsFlips.NextTime(), m_ntpPath.NextDue()}) {
        if (other && (!wake || *other < *wake)) {
            wake = other;
        }
    }
    for (const int fd : m_timed) {
        const std::optional<Clock::time_point> due = m_connections.at(fd).connection->NextSendTime();
        // A byte already due waits for EPOLLOUT instead: a client that does not read must not make
        // the loop spin.
        if (due && *due > now && (!wake || *due < *wake)) {
            wake = due;
        }
    }
    if (!wake) {
        return kIdleWaitMs;
    }
    const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(*wake - now).count();
    return static_cast<int>(std::clamp<long long>(remaining, 0, kIdleWaitMs));
}
