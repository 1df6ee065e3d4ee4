#include "NtpResponder.h"

#include "ntp/SntpPacket.h"
#include "runtime/RealTimeClock.h"
#include "runtime/posix/StampedReceive.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>

namespace {

constexpr std::int8_t kPrecision = -20;             // about a microsecond, like a GPS-disciplined clock
constexpr std::uint32_t kGpsReference = 0x47505300; // "GPS"
constexpr std::uint32_t kLoopbackReference = 0x7F000001;

std::int64_t Micros(const DeviceTime& time) {
    return time.seconds * 1000000 + time.micros;
}

// How long the request waited in the socket before this loop took it; 0 when the kernel did not say.
std::int64_t WaitedMicros(const std::optional<std::int64_t>& arrivalUnixMicros) {
    return arrivalUnixMicros ? std::max<std::int64_t>(RealTimeMicros() - *arrivalUnixMicros, 0) : 0;
}

SntpPacket Answer(const SntpPacket& request, const NtpSetting& setting, std::int64_t receivedMicros,
                  std::int64_t sentMicros) {
    const NtpTimestamp served = NtpFromUnixMicros(sentMicros + setting.offsetMicros);
    SntpPacket answer;
    answer.leap = static_cast<std::uint8_t>(setting.leap);
    answer.version = request.version;
    answer.mode = kModeServer;
    answer.stratum = setting.kissCode != 0 ? 0 : static_cast<std::uint8_t>(setting.stratum);
    answer.poll = request.poll;
    answer.precision = kPrecision;
    answer.referenceId = setting.kissCode != 0  ? setting.kissCode
                         : setting.stratum <= 1 ? kGpsReference
                                                : kLoopbackReference;
    answer.reference = served;
    answer.originate = request.transmit;
    answer.receive = NtpFromUnixMicros(receivedMicros + setting.offsetMicros + setting.receiveShiftMicros);
    answer.transmit = served;
    return answer;
}

// Answers held for a long path at most: a flood of requests must not take the simulator's memory.
constexpr std::size_t kMostHeldAnswers = 1 << 20;

// A datagram as it came: its peer, and when the kernel took it.
struct Arrival {
    NtpPeer peer;
    std::optional<std::int64_t> unixMicros;
};

std::optional<in_pktinfo> DestinationIn(msghdr& message) {
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr;
         header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_PKTINFO &&
            header->cmsg_len >= CMSG_LEN(sizeof(in_pktinfo))) {
            in_pktinfo info{};
            std::memcpy(&info, CMSG_DATA(header), sizeof info);
            return info;
        }
    }
    return std::nullopt;
}

ssize_t Receive(int fd, std::span<std::uint8_t> buffer, Arrival& arrival) {
    iovec data{buffer.data(), buffer.size()};
    alignas(cmsghdr) std::uint8_t control[CMSG_SPACE(sizeof(timespec)) + CMSG_SPACE(sizeof(in_pktinfo))];
    msghdr message{};
    message.msg_name = &arrival.peer.sender;
    message.msg_namelen = sizeof arrival.peer.sender;
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t received = recvmsg(fd, &message, 0);
    if (received >= 0) {
        arrival.unixMicros = ArrivalStampIn(message);
        arrival.peer.destination = DestinationIn(message);
    }
    return received;
}

// Sends from the address the request came to, which a socket on 0.0.0.0 would otherwise choose itself.
void SendFrom(int fd, const SntpBytes& answer, const NtpPeer& peer) {
    iovec data{const_cast<std::uint8_t*>(answer.data()), answer.size()};
    alignas(cmsghdr) std::uint8_t control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr message{};
    message.msg_name = const_cast<sockaddr_in*>(&peer.sender);
    message.msg_namelen = sizeof peer.sender;
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    if (peer.destination) {
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        cmsghdr* header = CMSG_FIRSTHDR(&message);
        header->cmsg_level = IPPROTO_IP;
        header->cmsg_type = IP_PKTINFO;
        header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
        in_pktinfo source{};
        source.ipi_spec_dst = peer.destination->ipi_addr;
        std::memcpy(CMSG_DATA(header), &source, sizeof source);
    }
    (void)sendmsg(fd, &message, 0);
}

} // namespace

void CNtpPath::Send(int fd, const SntpBytes& answer, const NtpPeer& peer, Clock::time_point due,
                    Clock::time_point now) {
    if (due <= now) {
        SendFrom(fd, answer, peer);
    } else if (m_held.size() < kMostHeldAnswers) {
        m_held.push_back({due, fd, answer, peer});
    }
}

void CNtpPath::SendDue(Clock::time_point now) {
    for (; !m_held.empty() && m_held.front().due <= now; m_held.pop_front()) {
        SendFrom(m_held.front().fd, m_held.front().answer, m_held.front().peer);
    }
}

std::optional<CNtpPath::Clock::time_point> CNtpPath::NextDue() const {
    return m_held.empty() ? std::nullopt : std::optional(m_held.front().due);
}

bool LostOnThePath(int lossPercent) {
    // Not for secrets: a loss pattern that differs from run to run is all it needs.
    static std::minstd_rand random(std::random_device{}());
    return lossPercent > 0 && std::uniform_int_distribution<int>(0, 99)(random) < lossPercent;
}

int OpenNtpSocket(const std::string& address, unsigned short port, std::string& error) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    if (fd < 0 || inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1 ||
        bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        error = "cannot bind UDP " + address + ":" + std::to_string(port) + ": " + std::strerror(errno);
        if (fd >= 0) {
            close(fd);
        }
        return -1;
    }
    AskForArrivalStamps(fd);
    const int on = 1;
    // Without it an answer from a socket on 0.0.0.0 could not say which address it answers for.
    (void)setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
    // One socket on 0.0.0.0 takes the requests of every address at once: a fleet's first checks come in
    // a burst that the default buffer (about 300 requests) would drop. It is a limit, not memory taken.
    constexpr int kReceiveBufferBytes = 4 << 20;
    (void)setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &kReceiveBufferBytes, sizeof kReceiveBufferBytes);
    return fd;
}

int AnswerNtpRequests(int fd, const NtpSetting& setting, const CDeviceClock& clock,
                      const ServesAddress& serves, CNtpPath& path) {
    const CNtpPath::Clock::time_point now = CNtpPath::Clock::now();
    // Over a long path a request reaches the device half the round trip later and its answer comes back
    // as long after: the device's times are those of that later moment, as its clock would read them.
    const std::int64_t oneWayMicros = setting.pathDelayMicros / 2;
    for (int requests = 0;;) {
        std::uint8_t datagram[kSntpPacketSize + 1];
        Arrival arrival;
        const ssize_t received = Receive(fd, datagram, arrival);
        if (received < 0) {
            return requests; // drained (or failed: the next request gets its own turn)
        }
        // The wait is read before the device clock: a pause between the two reads then makes the receive
        // time later, never earlier than the request came, which would hold it beyond the round trip.
        const std::int64_t waited = WaitedMicros(arrival.unixMicros);
        const std::int64_t receivedMicros = Micros(clock.Now()) - waited + oneWayMicros;
        const std::optional<SntpPacket> request =
            DecodeSntp(std::span<const std::uint8_t>(datagram, static_cast<std::size_t>(received)));
        if (!request || request->mode != kModeClient ||
            (arrival.peer.destination && !serves(ntohl(arrival.peer.destination->ipi_addr.s_addr)))) {
            continue;
        }
        if (LostOnThePath(setting.lossPercent)) {
            continue; // lost before it reached the device
        }
        ++requests;
        if (setting.silent || LostOnThePath(setting.lossPercent)) {
            continue; // its answer lost on the way back
        }
        // The answer leaves the path a round trip after its request came, or now if this loop was later.
        const std::int64_t holdMicros = std::max<std::int64_t>(setting.pathDelayMicros - waited, 0);
        const SntpPacket answer =
            Answer(*request, setting, receivedMicros, Micros(clock.Now()) + holdMicros - oneWayMicros);
        path.Send(fd, EncodeSntp(answer), arrival.peer, now + std::chrono::microseconds(holdMicros), now);
    }
}
