#include "DatagramSocket.h"

#include <algorithm>
#include <climits>

sockaddr_in Ipv4SocketAddress(std::uint32_t address, unsigned short port) {
    sockaddr_in socketAddress{};
    socketAddress.sin_family = AF_INET;
    socketAddress.sin_port = htons(port);
    socketAddress.sin_addr.s_addr = htonl(address);
    return socketAddress;
}

SOCKET OpenDatagramSocket() {
    const SOCKET opened = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    u_long nonBlocking = 1;
    if (opened != INVALID_SOCKET && ioctlsocket(opened, FIONBIO, &nonBlocking) != 0) {
        (void)closesocket(opened); // Nothing to recover: it was never used.
        return INVALID_SOCKET;
    }
    return opened;
}

DatagramRead ReceiveDatagram(SOCKET socket, std::uint8_t* buffer, std::size_t size, sockaddr_in* sender,
                             std::size_t& length) {
    const int capacity = static_cast<int>(std::min<std::size_t>(size, INT_MAX));
    int senderLength = sender != nullptr ? static_cast<int>(sizeof *sender) : 0;
    const int received =
        recvfrom(socket, reinterpret_cast<char*>(buffer), capacity, 0, reinterpret_cast<sockaddr*>(sender),
                 sender != nullptr ? &senderLength : nullptr);
    if (received != SOCKET_ERROR) {
        length = static_cast<std::size_t>(received);
        return DatagramRead::Taken;
    }
    switch (WSAGetLastError()) {
    case WSAEWOULDBLOCK:
        return DatagramRead::None;
    case WSAEMSGSIZE:
        // Windows fails a datagram longer than the buffer after filling the buffer with its start.
        length = static_cast<std::size_t>(capacity);
        return DatagramRead::Taken;
    case WSAECONNRESET:
        // An earlier datagram's peer port where nothing listens; Windows does not say which peer.
        return DatagramRead::Refused;
    default:
        return DatagramRead::Failed;
    }
}
