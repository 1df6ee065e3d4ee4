#include "DatagramSocket.h"

#include "StampedReceive.h"

#include "runtime/RealTimeClock.h"

#include <arpa/inet.h>
#include <cerrno>
#include <sys/socket.h>

#include <optional>

sockaddr_in Ipv4SocketAddress(std::uint32_t address, unsigned short port) {
    sockaddr_in socketAddress{};
    socketAddress.sin_family = AF_INET;
    socketAddress.sin_port = htons(port);
    socketAddress.sin_addr.s_addr = htonl(address);
    return socketAddress;
}

int OpenDatagramSocket() {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_UDP);
    if (fd >= 0) {
        // An answer's time is when it reached the socket, however late the thread gets to it.
        AskForArrivalStamps(fd);
    }
    return fd;
}

ssize_t ReceiveDatagram(int fd, std::uint8_t* buffer, std::size_t size, sockaddr_in* sender,
                        std::int64_t& arrivalUnixMicros, bool* stamped) {
    for (;;) {
        std::optional<std::int64_t> stamp;
        const ssize_t received = ReceiveStamped(fd, buffer, size, sender, stamp);
        if (received >= 0) {
            // A datagram without a stamp is stamped as it is read.
            arrivalUnixMicros = stamp ? *stamp : RealTimeMicros();
            if (stamped != nullptr) {
                *stamped = stamp.has_value();
            }
            return received;
        }
        if (errno != EINTR) {
            return -1;
        }
    }
}
