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

std::vector<std::uint8_t> CDatagramPeer::Echo(const std::vector<std::uint8_t>& reply, int timeoutMs) const {
    const int fd = static_cast<int>(m_socket);
    pollfd readable{fd, POLLIN, 0};
    if (!m_bound || poll(&readable, 1, timeoutMs) != 1) {
        return {};
    }
    std::vector<std::uint8_t> datagram(64);
    sockaddr_in sender{};
    socklen_t length = sizeof sender;
    const ssize_t received =
        recvfrom(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&sender), &length);
    datagram.resize(received < 0 ? 0 : static_cast<std::size_t>(received));
    (void)sendto(fd, reply.data(), reply.size(), 0, reinterpret_cast<const sockaddr*>(&sender), length);
    return datagram;
}
