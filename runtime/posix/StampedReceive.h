#pragma once

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <sys/uio.h>

#include <cstdint>
#include <cstring>
#include <ctime>
#include <optional>

// Datagrams that carry the kernel's stamp of their arrival, on the real-time clock. Header-only, so that
// the simulator, which stands on plain POSIX, stamps its requests the same way the client stamps answers.

// Asks the kernel to stamp each datagram fd receives. A refusal only leaves the datagrams unstamped.
inline void AskForArrivalStamps(int fd) {
    const int on = 1;
    (void)setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
}

// The arrival stamp in message, in microseconds; none when it carries none (or its control data was cut).
inline std::optional<std::int64_t> ArrivalStampIn(msghdr& message) {
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr;
         header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level == SOL_SOCKET && header->cmsg_type == SCM_TIMESTAMPNS &&
            header->cmsg_len >= CMSG_LEN(sizeof(timespec))) {
            timespec stamp{};
            std::memcpy(&stamp, CMSG_DATA(header), sizeof stamp);
            return static_cast<std::int64_t>(stamp.tv_sec) * 1000000 + stamp.tv_nsec / 1000;
        }
    }
    return std::nullopt;
}

// recvfrom (sender may be null) that also hands over the datagram's arrival stamp, when it has one.
inline ssize_t ReceiveStamped(int fd, void* buffer, std::size_t size, sockaddr_in* sender,
                              std::optional<std::int64_t>& arrivalUnixMicros) {
    iovec data{buffer, size};
    alignas(cmsghdr) std::uint8_t control[CMSG_SPACE(sizeof(timespec))];
    msghdr message{};
    message.msg_name = sender;
    message.msg_namelen = sender != nullptr ? sizeof *sender : 0;
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t received = recvmsg(fd, &message, 0);
    arrivalUnixMicros = received >= 0 ? ArrivalStampIn(message) : std::nullopt;
    return received;
}
