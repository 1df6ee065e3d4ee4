#include "PortUnreachableReports.h"

#include <linux/errqueue.h>
#include <netinet/in.h>
#include <netinet/ip_icmp.h>
#include <sys/socket.h>
#include <sys/uio.h>

#include <cstring>

namespace {

// Reports beyond this in one call wait for the next: the queue is bounded by the socket's buffer anyway.
constexpr int kReportsPerCall = 64;

// Whether the message's control data says an ICMP port unreachable answered the datagram.
bool IsPortUnreachable(msghdr& message) {
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr;
         header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_RECVERR &&
            header->cmsg_len >= CMSG_LEN(sizeof(sock_extended_err))) {
            sock_extended_err error{};
            std::memcpy(&error, CMSG_DATA(header), sizeof error);
            return error.ee_origin == SO_EE_ORIGIN_ICMP && error.ee_type == ICMP_DEST_UNREACH &&
                   error.ee_code == ICMP_PORT_UNREACH;
        }
    }
    return false;
}

} // namespace

void AskForPortUnreachableReports(int fd) {
    const int on = 1;
    (void)setsockopt(fd, IPPROTO_IP, IP_RECVERR, &on, sizeof on);
}

std::optional<PortUnreachableReport> TakePortUnreachableReport(int fd, std::uint8_t* buffer,
                                                               std::size_t size) {
    for (int report = 0; report < kReportsPerCall; ++report) {
        PortUnreachableReport taken;
        iovec data{buffer, size};
        // The extended error, the offender's address after it, and an arrival stamp.
        alignas(cmsghdr) std::uint8_t control[CMSG_SPACE(sizeof(sock_extended_err) + sizeof(sockaddr_in)) +
                                              CMSG_SPACE(sizeof(timespec))];
        msghdr message{};
        message.msg_name = &taken.peer;
        message.msg_namelen = sizeof taken.peer;
        message.msg_iov = &data;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t received = recvmsg(fd, &message, MSG_ERRQUEUE | MSG_DONTWAIT);
        if (received < 0) {
            return std::nullopt; // none waits (EINTR cannot come of a call that does not wait)
        }
        if (IsPortUnreachable(message) && message.msg_namelen >= sizeof taken.peer) {
            taken.length = static_cast<std::size_t>(received);
            return taken;
        }
    }
    return std::nullopt;
}
