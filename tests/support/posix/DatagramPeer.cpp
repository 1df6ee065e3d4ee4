#include "tests/support/DatagramPeer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

CDatagramPeer::CDatagramPeer(const char* address, unsigned short port) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    m_socket = fd;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr.s_addr = inet_addr(address);
    m_bound = fd >= 0 && bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
}

CDatagramPeer::~CDatagramPeer() {
    if (m_socket >= 0) {
        (void)close(static_cast<int>(m_socket));
    }
}

std::optional<CDatagramPeer::Datagram> CDatagramPeer::Receive(int timeoutMs) const {
    const int fd = static_cast<int>(m_socket);
    pollfd readable{fd, POLLIN, 0};
    if (!m_bound || poll(&readable, 1, timeoutMs) != 1) {
        return std::nullopt;
    }
    Datagram datagram;
    datagram.bytes.resize(64);
    sockaddr_in sender{};
    socklen_t length = sizeof sender;
    const ssize_t received = recvfrom(fd, datagram.bytes.data(), datagram.bytes.size(), 0,
                                      reinterpret_cast<sockaddr*>(&sender), &length);
    if (received < 0) {
        return std::nullopt;
    }
    datagram.bytes.resize(static_cast<std::size_t>(received));
    datagram.senderAddress = ntohl(sender.sin_addr.s_addr);
    datagram.senderPort = ntohs(sender.sin_port);
    return datagram;
}

bool CDatagramPeer::SendTo(std::uint32_t address, unsigned short port,
                           const std::vector<std::uint8_t>& bytes) const {
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = htonl(address);
    const ssize_t sent = sendto(static_cast<int>(m_socket), bytes.data(), bytes.size(), 0,
                                reinterpret_cast<const sockaddr*>(&peer), sizeof peer);
    return sent == static_cast<ssize_t>(bytes.size());
}
