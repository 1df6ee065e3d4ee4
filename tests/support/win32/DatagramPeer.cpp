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

std::optional<CDatagramPeer::Datagram> CDatagramPeer::Receive(int timeoutMs) const {
    const SOCKET socket = static_cast<SOCKET>(m_socket);
    // select, not an event object of the kind the client under test uses.
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket, &readable);
    timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    if (!m_bound || select(0, &readable, nullptr, nullptr, &limit) != 1) {
        return std::nullopt;
    }
    Datagram datagram;
    datagram.bytes.resize(64);
    sockaddr_in sender{};
    int length = sizeof sender;
    const int received =
        recvfrom(socket, reinterpret_cast<char*>(datagram.bytes.data()),
                 static_cast<int>(datagram.bytes.size()), 0, reinterpret_cast<sockaddr*>(&sender), &length);
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
    const int sent =
        sendto(static_cast<SOCKET>(m_socket), reinterpret_cast<const char*>(bytes.data()),
               static_cast<int>(bytes.size()), 0, reinterpret_cast<const sockaddr*>(&peer), sizeof peer);
    return sent == static_cast<int>(bytes.size());
}
