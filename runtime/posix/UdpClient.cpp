#include "SignalNative.h"
#include "SocketWatch.h"
#include "StampedReceive.h"

#include "runtime/RealTimeClock.h"
#include "runtime/UdpClient.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <optional>

struct CUdpClient::Native {
    int m_fd = -1;
    // The watch of the last WatchReadable; cancelled before the descriptor goes.
    std::shared_ptr<CSocketWatch> m_watch;
};

CUdpClient::CUdpClient() : m_native(std::make_unique<Native>()) {}

CUdpClient::~CUdpClient() {
    Close();
}

bool CUdpClient::Open(std::uint32_t address, unsigned short port) {
    Close();
    m_native->m_fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_UDP);
    if (m_native->m_fd < 0) {
        return false;
    }
    // An answer's time is when it reached the socket, however late the thread gets to it.
    AskForArrivalStamps(m_native->m_fd);
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = htonl(address);
    // A connected datagram socket drops what other senders send, and learns of a closed peer port.
    if (connect(m_native->m_fd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
        Close();
        return false;
    }
    return true;
}

bool CUdpClient::Send(const std::uint8_t* data, std::size_t length) {
    if (m_native->m_fd < 0) {
        return false;
    }
    const ssize_t sent = send(m_native->m_fd, data, length, MSG_NOSIGNAL);
    return sent >= 0 && static_cast<std::size_t>(sent) == length;
}

int CUdpClient::Receive(std::uint8_t* buffer, std::size_t size, std::int64_t& arrivalUnixMicros) {
    if (m_native->m_fd < 0) {
        return -1;
    }
    for (;;) {
        std::optional<std::int64_t> stamp;
        const ssize_t received = ReceiveStamped(m_native->m_fd, buffer, size, nullptr, stamp);
        if (received >= 0) {
            // A datagram without a stamp is stamped as it is read.
            arrivalUnixMicros = stamp ? *stamp : RealTimeMicros();
            return static_cast<int>(received);
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return kNoDatagram;
        }
        if (errno != EINTR) {
            return -1;
        }
    }
}

bool CUdpClient::WatchReadable(const CSignal& signal) {
    if (m_native->m_fd < 0) {
        return false;
    }
    if (m_native->m_watch) {
        m_native->m_watch->Cancel();
    }
    m_native->m_watch = std::make_shared<CSocketWatch>(m_native->m_fd, POLLIN, std::nullopt);
    signal.GetNative().AttachWatch(m_native->m_watch);
    return true;
}

void CUdpClient::Close() {
    if (m_native->m_fd < 0) {
        return;
    }
    if (m_native->m_watch) {
        m_native->m_watch->Cancel();
        m_native->m_watch.reset();
    }
    (void)close(m_native->m_fd); // Nothing to recover: the descriptor is released either way.
    m_native->m_fd = -1;
}
