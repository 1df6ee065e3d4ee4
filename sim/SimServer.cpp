#include "SimServer.h"

#include "LocalAddress.h"

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
#include <utility>

namespace {

// Descriptors kept free of connections besides the listeners and NTP sockets: the log, stdio, the
// signals and the loop's own.
constexpr rlim_t kReservedDescriptors = 64;
constexpr auto kIdleWait = std::chrono::seconds(1);
// Room for a burst of clients (a fleet's tools starting together, or hundreds of test clients) to wait
// while the loop is busy or not yet scheduled: a connection that finds the queue full waits a second
// for its SYN to be sent again. With one socket a port serving thousands of addresses, a whole fleet's
// connects meet in one queue, where real devices would each have their own: as long as the system
// allows (net.core.somaxconn caps it, 4096 by default).
constexpr int kBacklog = 65535;
// How often a port that cannot be bound again is tried: often enough to come back soon after it is
// freed, rarely enough to cost nothing while it stays taken.
constexpr auto kRebindInterval = std::chrono::seconds(1);
constexpr auto kRefusalReportInterval = std::chrono::seconds(1);
// A burst of new clients must not hold up those already served; the backlog keeps the rest for the
// next round.
constexpr int kAcceptsPerRound = 16;

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

unsigned LoopEvents(short pollEvents) {
    return ((pollEvents & POLLIN) ? LoopReadable : 0u) | ((pollEvents & POLLOUT) ? LoopWritable : 0u);
}

// Closes with a reset, as near as a listener for every address comes to a port nobody listens on.
void CloseAsRefused(std::unique_ptr<CTcpStream> stream) {
    const linger reset{1, 0};
    (void)setsockopt(static_cast<int>(stream->SocketHandle()), SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
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

int CSimServer::Run(CSignal& stop, CSignal& gpsToggle) {
    if (!WatchSignals(stop, gpsToggle)) {
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
    for (;;) {
        m_ready.clear();
        if (m_loop->Wait(NextWake(Clock::now())) < 0) {
            std::fprintf(stderr, "vantrex-sim: waiting for the sockets failed: %s\n", std::strerror(errno));
            return kFailed;
        }
        if (m_stopAsked) {
            return kStopped;
        }
        // A wait can hand back a command sent after a SIGUSR1 and not the signal's own wake-up (the system
        // returns ready sockets before it notices the pending signal); the handler has run by now, so asking
        // the signal itself keeps the toggle ahead of that command.
        TakeGpsToggle(gpsToggle);
        const Clock::time_point now = Clock::now();
        FlipGps(std::exchange(m_gpsToggles, 0));
        FlipGps(m_gpsFlips.TakeDue(now));
        ServeRound(m_ready, now);
        FinishRound(now);
    }
}

bool CSimServer::WatchSignals(CSignal& stop, CSignal& gpsToggle) {
    m_loop = CEventLoop::Create();
    const bool watched = m_loop && m_loop->WatchSignal(stop, [this](unsigned) {
        m_stopAsked = true;
    }) && m_loop->WatchSignal(gpsToggle, [this, &gpsToggle](unsigned) { TakeGpsToggle(gpsToggle); });
    if (!watched) {
        std::fprintf(stderr, "vantrex-sim: cannot watch the stop and GPS signals: %s\n",
                     std::strerror(errno));
    }
    return watched;
}

void CSimServer::TakeGpsToggle(CSignal& gpsToggle) {
    if (gpsToggle.Wait(0)) {
        // Reset before the flip is counted: a toggle that comes in between sets it again for the next.
        (void)gpsToggle.Reset();
        ++m_gpsToggles;
    }
}

bool CSimServer::WatchReady(int fd, unsigned events, Watched kind, std::uint32_t index) {
    return m_loop->Watch(fd, events, [this, kind, index](unsigned ready) {
        m_ready.push_back(Ready{kind, index, ready});
    });
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

void CSimServer::ServeRound(std::span<Ready> ready, Clock::time_point now) {
    // Connections that were busy in the round before go last: one that has just asked goes before those
    // that flood the device, as it would at the start of a round that served them one by one.
    ++m_round;
    std::stable_partition(ready.begin(), ready.end(), [this](const Ready& event) { return !WasBusy(event); });
    for (const Ready& event : ready) {
        const std::uint32_t index = event.index;
        switch (event.kind) {
        case Watched::Listener:
            if (index < m_listeners.size() && m_listeners[index].socket) {
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
        }
    }
    ServeTimed(now);
    m_ntpPath.SendDue(now);
}

bool CSimServer::WasBusy(const Ready& ready) const {
    if (ready.kind != Watched::Connection) {
        return false;
    }
    const auto served = m_connections.find(static_cast<int>(ready.index));
    return served != m_connections.end() && served->second.lastRound + 1 == m_round;
}

void CSimServer::ServeReady(int fd, unsigned events, Clock::time_point now) {
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
    const unsigned events = LoopEvents(connection.PollEvents(now));
    if (connection.IsClosed() || (events != served->second.events && !m_loop->Change(fd, events))) {
        m_loop->Forget(fd);
        m_timed.erase(fd);
        m_connections.erase(served);
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
        AddListenersAt(address);
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
    const std::string place = listener.address + ":" + std::to_string(listener.port);
    auto socket = std::make_unique<CTcpListener>();
    if (const std::optional<std::string> failure =
            socket->Listen(listener.address, listener.port, kBacklog)) {
        // In the system's words, as the device has always said it.
        error = "cannot bind " + place + ": " + (*failure == "in use" ? std::strerror(EADDRINUSE) : *failure);
        return false;
    }
    const int fd = static_cast<int>(socket->SocketHandle());
    if (!WatchReady(fd, LoopReadable, Watched::Listener, static_cast<std::uint32_t>(index))) {
        error = "cannot watch " + place + ": " + std::strerror(errno);
        return false;
    }
    listener.socket = std::move(socket);
    return true;
}

void CSimServer::AddListenersAt(const std::string& address) {
    for (const auto& [port, telnet] :
         {std::pair{m_options.shellPort, false}, std::pair{m_options.telnetPort, true}}) {
        if (port != 0) {
            m_listeners.push_back(Listener{address, port, telnet});
        }
    }
}

void CSimServer::Reopen(Clock::time_point now) {
    if (m_move) {
        FollowMove(*m_move, now);
        m_move.reset();
    }
    for (const std::string& address : ListenAddresses()) {
        if (std::ranges::none_of(m_listeners, [&](const Listener& l) { return l.address == address; })) {
            AddListenersAt(address);
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
        AddListenersAt(move.to);
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
    std::vector<Listener> moved(
        std::make_move_iterator(m_listeners.begin() + static_cast<std::ptrdiff_t>(firstMoved)),
        std::make_move_iterator(m_listeners.end()));
    m_listeners.resize(firstMoved);
    CloseAll(moved);
    Report("cannot move " + move.from + " to " + move.to + ": " + error + "; back at " + move.from, now);
}

void CSimServer::BindMissing(Clock::time_point now) {
    bool missing = false;
    for (std::size_t index = 0; index < m_listeners.size(); ++index) {
        Listener& listener = m_listeners[index];
        if (listener.socket) {
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
        if (fd >= 0 && !WatchReady(fd, LoopReadable, Watched::Ntp, index)) {
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
        if (listener.socket && m_loop) {
            m_loop->Forget(listener.socket->SocketHandle());
        }
    }
    listeners.clear();
}

void CSimServer::CloseConnections() {
    for (const auto& served : m_connections) {
        m_loop->Forget(served.first);
    }
    m_connections.clear();
    m_timed.clear();
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
        std::string failure;
        std::unique_ptr<CTcpStream> stream = listener.socket->Accept(failure);
        if (!stream) {
            return; // none left, the client gave up before we took it, or descriptors ran out: all pass
        }
        if (!CameToTheDevice(static_cast<int>(stream->SocketHandle()))) {
            CloseAsRefused(std::move(stream));
        } else if (m_connections.size() >= m_maxConnections) {
            Refuse(now); // the stream closes as it goes
        } else {
            Take(std::move(stream), listener, now);
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

void CSimServer::Take(std::unique_ptr<CTcpStream> stream, const Listener& listener, Clock::time_point now) {
    const int fd = static_cast<int>(stream->SocketHandle());
    const int on = 1;
    // Each slowed-down byte must leave at once rather than wait to be coalesced.
    (void)setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    SessionConfig config = m_options.session;
    config.telnet = listener.telnet;
    auto connection = std::make_unique<CConnection>(
        std::move(stream), listener.port, config, [this] { return m_clock.Now(); },
        [this] { return m_gpsFlipped; }, std::chrono::milliseconds(m_options.slowMs));
    connection->Open(now, std::chrono::milliseconds(m_options.firstBytesDelayMs),
                     std::chrono::milliseconds(m_options.loginDelayMs));
    m_gpsFlips.Start(now);
    // An entry left under this descriptor belongs to a connection already closed.
    const auto [served, added] = m_connections.insert_or_assign(fd, Served{std::move(connection)});
    if (!WatchReady(fd, 0, Watched::Connection, static_cast<std::uint32_t>(fd))) {
        served->second.connection->Close();
    }
    Refresh(served, now);
}

void CSimServer::Refuse(Clock::time_point now) {
    // Taken and closed at once, a client beyond the limit learns so now instead of waiting in the
    // backlog for a connection that will not come.
    ++m_refused;
    if (!m_refusalReported || now - *m_refusalReported >= kRefusalReportInterval) {
        Report(std::to_string(m_refused) + " connection(s) refused: " + std::to_string(m_maxConnections) +
                   " are open, the most allowed",
               now);
        m_refused = 0;
        m_refusalReported = now;
    }
}

void CSimServer::Serve(CConnection& connection, unsigned events, Clock::time_point now) {
    if (connection.IsClosed() || m_restartRequest) {
        return;
    }
    // A paused connection still learns of a hang-up or an error from its next send.
    if (((events & (LoopReadable | LoopError)) && connection.WantsInput()) || connection.HasUnreadInput()) {
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
    CloseConnections();
    m_rebindTime.reset();
    if (m_options.followAddress && request.reachedAt != request.change.ip) {
        m_move = Move{request.reachedAt, request.change.ip};
    }
    m_reopenTime = now + std::chrono::milliseconds(m_options.downtimeMs);
}

CSimServer::Clock::time_point CSimServer::NextWake(Clock::time_point now) const {
    std::optional<Clock::time_point> wake = m_reopenTime;
    for (const std::optional<Clock::time_point>& other :
         {m_rebindTime, m_gpsFlips.NextTime(), m_ntpPath.NextDue()}) {
        if (other && (!wake || *other < *wake)) {
            wake = other;
        }
    }
    for (const int fd : m_timed) {
        const std::optional<Clock::time_point> due = m_connections.at(fd).connection->NextSendTime();
        // A byte already due waits for the socket to be writable instead: a client that does not read
        // must not make the loop spin.
        if (due && *due > now && (!wake || *due < *wake)) {
            wake = due;
        }
    }
    return std::min(wake.value_or(now + kIdleWait), now + kIdleWait);
}
