#include "NtpExchange.h"

#include "SntpAttempts.h"

#include "ntp/SntpPacket.h"
#include "runtime/PcClock.h"
#include "runtime/UdpSocket.h"

#include <algorithm>
#include <climits>
#include <deque>
#include <optional>
#include <span>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

// A peer's address and port as one key.
using PeerKey = std::uint64_t;

PeerKey KeyOf(std::uint32_t address, unsigned short port) {
    return static_cast<PeerKey>(address) << 16 | port;
}

// Datagrams read in one go at most: more than the socket's receive buffer holds, so that a read empties
// it, unless a flood fills it as fast as it is read, which must not hold the loop from its other sockets
// for ever.
constexpr int kMostDatagramsPerRead = 16384;
// Requests sent between two reads that empty the socket: as many as their answers fit its receive buffer,
// where a burst of thousands would have the kernel drop the rest, each a retry. A small answer takes this
// much of the buffer in the system's accounting (Linux: under 1.3 KiB on loopback and Ethernet)...
constexpr std::size_t kBufferBytesPerAnswer = 2048;
// ...and at least this many go, whatever the system says: fewer would hold back a fleet's retries.
constexpr int kLeastRequestsPerRead = 64;

} // namespace

struct CNtpExchange::Checks {
    struct Check {
        PeerKey peer = 0;
        std::uint32_t address = 0;
        unsigned short port = 0;
        CSntpAttempts attempts;
        bool queued = false; // its next request waits for its turn to leave
        LoopTimerId timer = 0;
        NtpCheckDone done;
    };

    explicit Checks(CEventLoop& loop) : loop(loop) {}
    ~Checks();

    bool EnsureSocket();
    // Sends the check's next request, or queues it when this wake's share has gone.
    void RequestNext(NtpCheckId id, Check& check);
    // Queues the check's next request; its spacing counts from when it leaves.
    void QueueRequest(NtpCheckId id, Check& check);
    void SendQueuedRequests();
    // Has the next wake send what is queued, after its read.
    void SchedulePump();
    // Sends the check's next request; its spacing counts from this moment, however late the caller's own
    // clock reading.
    void SendRequest(NtpCheckId id, Check& check);
    NtpTimestamp FreshTransmitTime(PeerKey peer) const;
    // When the check's timer is due: its next request, or its end while its request waits in the queue.
    static Clock::time_point WakeAt(const Check& check);
    void Arm(NtpCheckId id, Check& check);
    // The check's timer: its next request or its end has come.
    void Wake(NtpCheckId id);
    void Finish(NtpCheckId id, NtpResult result);
    // Reads every datagram that arrived before by, unless a read that began at by or later emptied the
    // socket already: what reached this PC is never taken for missing because the loop had not got to it.
    void TakeArrivals(Clock::time_point by);
    void TakeDatagram(const CUdpSocket::Received& received, std::span<const std::uint8_t> bytes);
    void TakeRefusal(const CUdpSocket::Received& received, std::span<const std::uint8_t> request);
    // The running check of peer that sent a request with transmit time sent; null when none.
    std::pair<NtpCheckId, Check*> FindBySent(PeerKey peer, NtpTimestamp sent);

    CEventLoop& loop;
    CUdpSocket socket;
    bool watched = false;
    NtpCheckId lastId = 0;
    std::deque<NtpCheckId> toSend;
    int requestsPerRead = kLeastRequestsPerRead; // as the socket's receive buffer allows
    int sendsLeft = kLeastRequestsPerRead;       // until the next read that empties the socket
    // Sends the queued requests at the next wake: a loop with thousands of sockets ready reports this one
    // only now and then, and its timers run at every wake.
    LoopTimerId pump = 0;
    Clock::time_point readUpTo; // every datagram that arrived before it has been read
    std::unordered_map<NtpCheckId, Check> running;
    // The running checks of each peer: almost always one, so that a datagram finds its check at once.
    std::unordered_map<PeerKey, std::vector<NtpCheckId>> byPeer;
};

CNtpExchange::Checks::~Checks() {
    for (const auto& [id, check] : running) {
        loop.CancelTimer(check.timer);
    }
    loop.CancelTimer(pump);
    if (watched) {
        loop.Forget(socket.SocketHandle());
    }
}

bool CNtpExchange::Checks::EnsureSocket() {
    if (watched) {
        return true;
    }
    if (!socket.Open()) {
        return false;
    }
    readUpTo = Clock::now(); // a new socket holds nothing
    requestsPerRead = static_cast<int>(std::clamp<std::size_t>(
        socket.ReceiveBufferBytes() / kBufferBytesPerAnswer, kLeastRequestsPerRead, INT_MAX));
    sendsLeft = requestsPerRead;
    watched = loop.Watch(socket.SocketHandle(), LoopReadable, [this](unsigned) {
        TakeArrivals(Clock::now());
        SendQueuedRequests();
    });
    if (!watched) {
        socket.Close();
    }
    return watched;
}

NtpTimestamp CNtpExchange::Checks::FreshTransmitTime(PeerKey peer) const {
    NtpTimestamp fresh = NtpFromUnixMicros(PcClockMicros());
    // Two checks of one peer that send within the same microsecond still need answers of their own: the
    // later one's time moves on by a fraction far below what the clock reads.
    const std::vector<NtpCheckId>& checks = byPeer.at(peer);
    for (std::size_t step = 0; step <= checks.size() * kSntpMostRequests; ++step) {
        const bool taken = std::any_of(checks.begin(), checks.end(), [&](NtpCheckId other) {
            return running.at(other).attempts.HasSent(fresh);
        });
        if (!taken) {
            break;
        }
        ++fresh.fraction;
    }
    return fresh;
}

void CNtpExchange::Checks::RequestNext(NtpCheckId id, Check& check) {
    if (check.queued) {
        return;
    }
    if (toSend.empty() && sendsLeft > 0) {
        --sendsLeft;
        SendRequest(id, check);
    } else {
        QueueRequest(id, check);
    }
}

void CNtpExchange::Checks::QueueRequest(NtpCheckId id, Check& check) {
    check.queued = true;
    toSend.push_back(id);
    Arm(id, check);
    SchedulePump();
}

void CNtpExchange::Checks::SchedulePump() {
    if (toSend.empty() || pump != 0) {
        return;
    }
    pump = loop.StartTimer(Clock::now(), [this](unsigned) {
        pump = 0;
        TakeArrivals(Clock::now());
        SendQueuedRequests();
    });
}

void CNtpExchange::Checks::SendQueuedRequests() {
    if (toSend.empty()) {
        return;
    }
    while (sendsLeft > 0 && !toSend.empty()) {
        const NtpCheckId id = toSend.front();
        toSend.pop_front();
        const auto found = running.find(id);
        if (found == running.end()) {
            continue;
        }
        found->second.queued = false;
        const Clock::time_point now = Clock::now();
        if (now < found->second.attempts.End()) {
            --sendsLeft;
            SendRequest(id, found->second);
        } else {
            Arm(id, found->second); // too late to ask: its end is judged at once
        }
    }
    // The rest wait for the next wake's read.
    SchedulePump();
}

void CNtpExchange::Checks::SendRequest(NtpCheckId id, Check& check) {
    const NtpTimestamp transmit = FreshTransmitTime(check.peer);
    check.attempts.Sent(transmit, Clock::now());
    Arm(id, check);
    const SntpBytes request = MakeSntpRequest(transmit);
    // A request that could not leave is left to the next, like one lost on the way.
    (void)socket.SendTo(check.address, check.port, request.data(), request.size());
}

CNtpExchange::Clock::time_point CNtpExchange::Checks::WakeAt(const Check& check) {
    return check.queued ? check.attempts.End() : check.attempts.NextWake();
}

void CNtpExchange::Checks::Arm(NtpCheckId id, Check& check) {
    loop.CancelTimer(check.timer);
    check.timer = loop.StartTimer(WakeAt(check), [this, id](unsigned) { Wake(id); });
}

void CNtpExchange::Checks::Wake(NtpCheckId id) {
    auto found = running.find(id);
    if (found == running.end()) {
        return;
    }
    found->second.timer = 0;
    // What arrived by now is read first: its answer may be among it.
    TakeArrivals(WakeAt(found->second));
    found = running.find(id);
    if (found == running.end()) {
        return; // answered, or ended by a done called meanwhile
    }
    Check& check = found->second;
    const Clock::time_point now = Clock::now();
    if (now >= check.attempts.End()) {
        Finish(id, check.attempts.TimedOut());
    } else if (const auto next = check.attempts.NextRequestAt(); next && *next <= now) {
        RequestNext(id, check);
    } else {
        Arm(id, check);
    }
}

void CNtpExchange::Checks::Finish(NtpCheckId id, NtpResult result) {
    auto ended = running.extract(id);
    if (ended.empty()) {
        return;
    }
    Check& check = ended.mapped();
    loop.CancelTimer(check.timer);
    const auto peer = byPeer.find(check.peer);
    std::erase(peer->second, id);
    if (peer->second.empty()) {
        byPeer.erase(peer);
    }
    // Last, with the check gone: done may start or abandon checks.
    check.done(result);
}

std::pair<NtpCheckId, CNtpExchange::Checks::Check*> CNtpExchange::Checks::FindBySent(PeerKey peer,
                                                                                     NtpTimestamp sent) {
    const auto checks = byPeer.find(peer);
    if (checks != byPeer.end()) {
        for (const NtpCheckId id : checks->second) {
            Check& check = running.at(id);
            if (check.attempts.HasSent(sent)) {
                return {id, &check};
            }
        }
    }
    return {0, nullptr};
}

void CNtpExchange::Checks::TakeArrivals(Clock::time_point by) {
    if (readUpTo >= by) {
        return;
    }
    const Clock::time_point began = Clock::now();
    std::uint8_t datagram[kLargestSntpDatagram];
    for (int taken = 0; taken < kMostDatagramsPerRead; ++taken) {
        const CUdpSocket::Received received = socket.ReceiveFrom(datagram, sizeof datagram);
        const std::span<const std::uint8_t> bytes(datagram, received.length);
        switch (received.arrival) {
        case CUdpSocket::Arrival::Datagram:
            TakeDatagram(received, bytes);
            break;
        case CUdpSocket::Arrival::Unreachable:
            TakeRefusal(received, bytes);
            break;
        case CUdpSocket::Arrival::None:
            readUpTo = began;
            sendsLeft = requestsPerRead;
            return;
        case CUdpSocket::Arrival::Failed:
            // A failure names no check: each still ends by its own time-out. The read took the error,
            // and the queue must not wait on a read that fails.
            sendsLeft = requestsPerRead;
            return;
        }
    }
}

void CNtpExchange::Checks::TakeDatagram(const CUdpSocket::Received& received,
                                        std::span<const std::uint8_t> bytes) {
    const PeerKey peer = KeyOf(received.peerAddress, received.peerPort);
    const auto checks = byPeer.find(peer);
    if (checks == byPeer.end()) {
        return; // no check asked this sender
    }
    // The arrival is judged on the kernel's stamp, not on when the loop got to the datagram. Without one
    // (Windows keeps none) it came after the last read that emptied the socket, and is given that time: an
    // answer is never counted late for the loop's delay.
    const Clock::time_point arrival =
        received.arrivalStamped ? ArrivalOnSteadyClock(received.arrivalUnixMicros)
                                : std::min(readUpTo, ArrivalOnSteadyClock(received.arrivalUnixMicros));
    const std::optional<SntpPacket> answer = DecodeSntp(bytes);
    if (const auto [id, check] = FindBySent(peer, answer ? answer->originate : NtpTimestamp{});
        check != nullptr) {
        if (std::optional<NtpResult> result =
                check->attempts.Take(bytes, arrival, received.arrivalUnixMicros)) {
            Finish(id, std::move(*result));
        }
        return;
    }
    // The answer to no request of ours: each check of its sender keeps why, should its time run out. It
    // echoes none of their requests, so it ends none of them.
    for (const NtpCheckId id : checks->second) {
        (void)running.at(id).attempts.Take(bytes, arrival, received.arrivalUnixMicros);
    }
}

void CNtpExchange::Checks::TakeRefusal(const CUdpSocket::Received& received,
                                       std::span<const std::uint8_t> request) {
    // The refused datagram is a request of ours: its transmit time names the check.
    const std::optional<SntpPacket> refused = DecodeSntp(request);
    if (!refused) {
        return;
    }
    const auto [id, check] = FindBySent(KeyOf(received.peerAddress, received.peerPort), refused->transmit);
    if (check == nullptr) {
        return;
    }
    const Clock::time_point now = Clock::now();
    if (std::optional<NtpResult> result = check->attempts.TakeRefusal(refused->transmit, now)) {
        Finish(id, std::move(*result));
    } else {
        RequestNext(id, *check);
    }
}

CNtpExchange::CNtpExchange(CEventLoop& loop) : m_checks(std::make_unique<Checks>(loop)) {}

CNtpExchange::~CNtpExchange() = default;

NtpCheckId CNtpExchange::Start(std::uint32_t address, unsigned short port, Clock::time_point end,
                               NtpCheckDone done) {
    const NtpCheckId id = ++m_checks->lastId;
    if (!m_checks->EnsureSocket()) {
        done(UnansweredNtp(kSntpNoSocket, FailureKind::LocalFailure));
        return id;
    }
    const PeerKey peer = KeyOf(address, port);
    Checks::Check& check = m_checks->running[id];
    check.peer = peer;
    check.address = address;
    check.port = port;
    check.attempts = CSntpAttempts(end);
    check.done = std::move(done);
    m_checks->byPeer[peer].push_back(id);
    m_checks->RequestNext(id, check);
    return id;
}

void CNtpExchange::Abandon(NtpCheckId check, const std::string& failure) {
    m_checks->Finish(check, UnansweredNtp(failure));
}

void CNtpExchange::TakeArrivals() {
    if (m_checks->watched) {
        m_checks->TakeArrivals(Clock::now());
    }
}

std::size_t CNtpExchange::RunningCount() const {
    return m_checks->running.size();
}
