#include "DatagramSocket.h"
#include "SignalNative.h"
#include "SocketWatch.h"

#include "runtime/UdpClient.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
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
    m_native->m_fd = OpenDatagramSocket();
    if (m_native->m_fd < 0) {
        return false;
    }
    const sockaddr_in peer = Ipv4SocketAddress(address, port);
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
    const ssize_t received = ReceiveDatagram(m_native->m_fd, buffer, size, nullptr, arrivalUnixMicros);
    if (received >= 0) {
        return static_cast<int>(received);
    }
    return errno == EAGAIN || errno == EWOULDBLOCK ? kNoDatagram : -1;
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
