#include "tests/support/DatagramPeer.h"

#include <winsock2.h>

CDatagramPeer::CDatagramPeer(const char* address, unsigned short port) {
    const SOCKET socket = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    m_socket = socket == INVALID_SOCKET ? -1 : static_cast<std::intptr_t>(socket);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr.s_addr = inet_addr(address);
    m_bound = socket != INVALID_SOCKET &&
              bind(socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
}

CDatagramPeer::~CDatagramPeer() {
    if (m_socket != -1) {
        (void)closesocket(static_cast<SOCKET>(m_socket));
    }
}

std::vector<std::uint8_t> CDatagramPeer::Echo(const std::vector<std::uint8_t>& reply, int timeoutMs) const {
    const SOCKET socket = static_cast<SOCKET>(m_socket);
    // select, not an event object of the kind the client under test uses.
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket, &readable);
    timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    if (!m_bound || select(0, &readable, nullptr, nullptr, &limit) != 1) {
        return {};
    }
    std::vector<std::uint8_t> datagram(64);
    sockaddr_in sender{};
    int length = sizeof sender;
    const int received =
        recvfrom(socket, reinterpret_cast<char*>(datagram.data()), static_cast<int>(datagram.size()), 0,
                 reinterpret_cast<sockaddr*>(&sender), &length);
    datagram.resize(received < 0 ? 0 : static_cast<std::size_t>(received));
    (void)sendto(socket, reinterpret_cast<const char*>(reply.data()), static_cast<int>(reply.size()), 0,
                 reinterpret_cast<const sockaddr*>(&sender), length);
    return datagram;
}
