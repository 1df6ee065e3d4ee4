#include "NtpExchange.h"

#include "SntpAnswer.h"
#include "SntpAttempts.h"

#include "ntp/SntpPacket.h"
#include "runtime/PcClock.h"
#include "runtime/UdpSocket.h"

#include <algorithm>
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

// Datagrams taken in one wake: a flood of them must not keep the loop from its other sockets and timers.
constexpr int kDatagramsPerWake = 64;
// Requests sent in one wake, after the wake's answers are taken: a burst of thousands of checks would fill
// the socket's receive buffer with answers faster than the loop takes them, and the kernel would drop the
// rest, each a 2 s retry.
constexpr int kRequestsPerWake = 64;

} // namespace

struct CNtpExchange::Checks {
    struct Check {
        PeerKey peer = 0;
        std::uint32_t address = 0;
        unsigned short port = 0;
        NtpTimestamp sent;   // the transmit time of the last request, which its answer echoes
        bool queued = false; // its next request waits for its turn: no answer counts meanwhile
        int attempts = 0;
        Clock::time_point end;
        LoopTimerId timer = 0;
        std::string lastRejection;
        NtpCheckDone done;
    };

    explicit Checks(CEventLoop& loop) : loop(loop) {}
    ~Checks();

    bool EnsureSocket();
    // Sends the check's next request, or queues it when this wake's share has gone.
    void RequestNext(NtpCheckId id, Check& check, Clock::time_point now);
    // Queues the check's next request; its attempt's time starts when it leaves.
    void QueueRequest(NtpCheckId id, Check& check);
    void SendQueuedRequests();
    void SendRequest(NtpCheckId id, Check& check, Clock::time_point now);
    NtpTimestamp FreshTransmitTime(PeerKey peer) const;
    void TimeOut(NtpCheckId id);
    void FailAttempt(NtpCheckId id, Check& check, const std::string& failure, Clock::time_point now);
    void Finish(NtpCheckId id, NtpResult result);
    void TakeArrivals();
    void TakeDatagram(const CUdpSocket::Received& received, std::span<const std::uint8_t> bytes);
    void TakeRefusal(const CUdpSocket::Received& received, std::span<const std::uint8_t> request);
    // The running check of peer whose last request carried transmit time sent; null when none.
    std::pair<NtpCheckId, Check*> FindBySent(PeerKey peer, NtpTimestamp sent);

    CEventLoop& loop;
    CUdpSocket socket;
    bool watched = false;
    NtpCheckId lastId = 0;
    std::deque<NtpCheckId> toSend;
    int sendsLeft = kRequestsPerWake; // in this wake
    std::unordered_map<NtpCheckId, Check> running;
    // The running checks of each peer: almost always one, so that a datagram finds its check at once.
    std::unordered_map<PeerKey, std::vector<NtpCheckId>> byPeer;
};

CNtpExchange::Checks::~Checks() {
    for (const auto& [id, check] : running) {
        loop.CancelTimer(check.timer);
    }
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
    watched = loop.Watch(socket.SocketHandle(), LoopReadable, [this](unsigned) {
        TakeArrivals();
        sendsLeft = kRequestsPerWake;
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
    for (std::size_t step = 0; step <= checks.size(); ++step) {
        const bool taken = std::any_of(checks.begin(), checks.end(),
                                       [&](NtpCheckId other) { return running.at(other).sent == fresh; });
        if (!taken) {
            break;
        }
        ++fresh.fraction;
    }
    return fresh;
}

void CNtpExchange::Checks::RequestNext(NtpCheckId id, Check& check, Clock::time_point now) {
    if (toSend.empty() && sendsLeft > 0) {
        --sendsLeft;
        loop.CancelTimer(check.timer);
        SendRequest(id, check, now);
    } else {
        QueueRequest(id, check);
    }
}

void CNtpExchange::Checks::QueueRequest(NtpCheckId id, Check& check) {
    loop.CancelTimer(check.timer);
    check.timer = 0;
    check.queued = true;
    toSend.push_back(id);
    if (toSend.size() == 1) {
        // A datagram socket is writable at once but for a full send buffer: the next wake sends.
        (void)loop.Change(socket.SocketHandle(), LoopReadable | LoopWritable);
    }
}

void CNtpExchange::Checks::SendQueuedRequests() {
    if (toSend.empty()) {
        return;
    }
    while (sendsLeft > 0 && !toSend.empty()) {
        const NtpCheckId id = toSend.front();
        toSend.pop_front();
        if (const auto found = running.find(id); found != running.end()) {
            --sendsLeft;
            SendRequest(id, found->second, Clock::now());
        }
    }
    if (toSend.empty()) {
        (void)loop.Change(socket.SocketHandle(), LoopReadable);
    }
}

void CNtpExchange::Checks::SendRequest(NtpCheckId id, Check& check, Clock::time_point now) {
    ++check.attempts;
    check.queued = false;
    check.timer = loop.StartTimer(std::min(now + kSntpAttemptTimeout, check.end),
                                  [this, id](unsigned) { TimeOut(id); });
    check.sent = FreshTransmitTime(check.peer);
    const SntpBytes request = MakeSntpRequest(check.sent);
    // A request that could not leave is left to the time-out, like one lost on the way.
    (void)socket.SendTo(check.address, check.port, request.data(), request.size());
}

void CNtpExchange::Checks::TimeOut(NtpCheckId id) {
    const auto found = running.find(id);
    if (found == running.end()) {
        return;
    }
    Check& check = found->second;
    check.timer = 0;
    const std::string failure = check.lastRejection.empty() ? kSntpNoAnswer : check.lastRejection;
    FailAttempt(id, check, failure, Clock::now());
}

void CNtpExchange::Checks::FailAttempt(NtpCheckId id, Check& check, const std::string& failure,
                                       Clock::time_point now) {
    if (check.attempts < kSntpMaxAttempts && now < check.end) {
        RequestNext(id, check, now);
        return;
    }
    Finish(id, UnansweredNtp(failure));
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
            if (!check.queued && check.sent == sent) {
                return {id, &check};
            }
        }
    }
    return {0, nullptr};
}

void CNtpExchange::Checks::TakeArrivals() {
    std::uint8_t datagram[kLargestSntpDatagram];
    for (int taken = 0; taken < kDatagramsPerWake; ++taken) {
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
        case CUdpSocket::Arrival::Failed:
            // A failure names no check: each still ends by its own time-out.
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
    const std::optional<SntpPacket> answer = DecodeSntp(bytes);
    if (const auto [id, check] = FindBySent(peer, answer ? answer->originate : NtpTimestamp{});
        check != nullptr) {
        SntpReading reading = ReadSntpAnswer(bytes, check->sent, received.arrivalUnixMicros);
        if (std::string* rejection = std::get_if<std::string>(&reading)) {
            check->lastRejection = std::move(*rejection);
        } else {
            Finish(id, std::get<NtpResult>(std::move(reading)));
        }
        return;
    }
    // The answer to no running request: each check of its sender keeps why, should its time run out.
    for (const NtpCheckId id : checks->second) {
        Check& check = running.at(id);
        SntpReading reading = ReadSntpAnswer(bytes, check.sent, received.arrivalUnixMicros);
        if (std::string* rejection = std::get_if<std::string>(&reading)) {
            check.lastRejection = std::move(*rejection);
        }
    }
}

void CNtpExchange::Checks::TakeRefusal(const CUdpSocket::Received& received,
                                       std::span<const std::uint8_t> request) {
    // The refused datagram is a request of ours: its transmit time names the check and the attempt.
    const std::optional<SntpPacket> refused = DecodeSntp(request);
    if (!refused) {
        return;
    }
    const auto [id, check] = FindBySent(KeyOf(received.peerAddress, received.peerPort), refused->transmit);
    if (check != nullptr) {
        // Nothing listens on the port: waiting out the time-out would tell nothing more.
        FailAttempt(id, *check, kSntpPortUnreachable, Clock::now());
    }
}

CNtpExchange::CNtpExchange(CEventLoop& loop) : m_checks(std::make_unique<Checks>(loop)) {}

CNtpExchange::~CNtpExchange() = default;

NtpCheckId CNtpExchange::Start(std::uint32_t address, unsigned short port, Clock::time_point now,
                               Clock::time_point end, NtpCheckDone done) {
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
    check.end = end;
    check.done = std::move(done);
    m_checks->byPeer[peer].push_back(id);
    m_checks->RequestNext(id, check, now);
    return id;
}

void CNtpExchange::Abandon(NtpCheckId check, const std::string& failure) {
    m_checks->Finish(check, UnansweredNtp(failure));
}

std::size_t CNtpExchange::RunningCount() const {
    return m_checks->running.size();
}
