#include "DatagramSocket.h"
#include "PortUnreachableReports.h"

#include "runtime/UdpSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The answers of a fleet's checks arrive in bursts: room for thousands, where the system allows it (it
// caps a request at net.core.rmem_max).
constexpr int kReceiveBufferBytes = 4 << 20;

// Error reports behind a failed call: a report may arrive between the look at the queue and the read.
constexpr int kReadsPerCall = 4;

// Whether err is a peer's refusal or unreachability that the error queue also holds: the socket
// reports it once more to whichever call comes next, send or receive, whatever peer that call concerns.
bool IsQueuedPeerError(int err) {
    return err == ECONNREFUSED || err == EHOSTUNREACH || err == ENETUNREACH;
}

CUdpSocket::Received PeerReport(CUdpSocket::Arrival arrival, const sockaddr_in& peer, std::size_t length) {
    CUdpSocket::Received received;
    received.arrival = arrival;
    received.length = length;
    received.peerAddress = ntohl(peer.sin_addr.s_addr);
    received.peerPort = ntohs(peer.sin_port);
    return received;
}

} // namespace

struct CUdpSocket::Native {
    int fd = -1;
};

CUdpSocket::CUdpSocket() : m_native(std::make_unique<Native>()) {}

CUdpSocket::~CUdpSocket() {
    Close();
}

bool CUdpSocket::Open() {
    Close();
    m_native->fd = OpenDatagramSocket();
    if (m_native->fd < 0) {
        return false;
    }
    // Unconnected, the socket learns of a closed peer port only through the queue of error reports.
    AskForPortUnreachableReports(m_native->fd);
    // A refusal leaves the default, with more answers lost to a burst.
    (void)setsockopt(m_native->fd, SOL_SOCKET, SO_RCVBUF, &kReceiveBufferBytes, sizeof kReceiveBufferBytes);
    const sockaddr_in local = Ipv4SocketAddress(INADDR_ANY, 0); // the system picks the port
    if (bind(m_native->fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        Close();
        return false;
    }
    return true;
}

bool CUdpSocket::SendTo(std::uint32_t address, unsigned short port, const std::uint8_t* data,
                        std::size_t length) {
    if (m_native->fd < 0) {
        return false;
    }
    const sockaddr_in peer = Ipv4SocketAddress(address, port);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const ssize_t sent = sendto(m_native->fd, data, length, MSG_NOSIGNAL,
                                    reinterpret_cast<const sockaddr*>(&peer), sizeof peer);
        if (sent >= 0) {
            return static_cast<std::size_t>(sent) == length;
        }
        // Another peer's refusal, told once more here: it stays queued for ReceiveFrom; send again.
        if (!IsQueuedPeerError(errno) && errno != EINTR) {
            return false;
        }
    }
    return false;
}

CUdpSocket::Received CUdpSocket::ReceiveFrom(std::uint8_t* buffer, std::size_t size) {
    if (m_native->fd < 0) {
        return {.arrival = Arrival::Failed};
    }
    for (int read = 0; read < kReadsPerCall; ++read) {
        if (const auto report = TakePortUnreachableReport(m_native->fd, buffer, size)) {
            return PeerReport(Arrival::Unreachable, report->peer, report->length);
        }
        sockaddr_in sender{};
        std::int64_t arrivalUnixMicros = 0;
        bool stamped = false;
        const ssize_t received =
            ReceiveDatagram(m_native->fd, buffer, size, &sender, arrivalUnixMicros, &stamped);
        if (received >= 0) {
            Received datagram = PeerReport(Arrival::Datagram, sender, static_cast<std::size_t>(received));
            datagram.arrivalUnixMicros = arrivalUnixMicros;
            datagram.arrivalStamped = stamped;
            return datagram;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return {};
        }
        if (!IsQueuedPeerError(errno)) {
            return {.arrival = Arrival::Failed};
        }
    }
    return {}; // the reports still queued keep the socket ready for the next call
}

std::size_t CUdpSocket::ReceiveBufferBytes() const {
    int bytes = 0;
    socklen_t length = sizeof bytes;
    if (m_native->fd < 0 || getsockopt(m_native->fd, SOL_SOCKET, SO_RCVBUF, &bytes, &length) != 0 ||
        bytes < 0) {
        return 0;
    }
    return static_cast<std::size_t>(bytes);
}

WaitHandle CUdpSocket::SocketHandle() const {
    return m_native->fd < 0 ? kNoSignal : static_cast<WaitHandle>(m_native->fd);
}

void CUdpSocket::Close() {
    if (m_native->fd < 0) {
        return;
    }
    (void)close(m_native->fd); // Nothing to recover: the descriptor is released either way.
    m_native->fd = -1;
}
