#include "runtime/TcpListener.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The peer as text; an IPv4 peer of a dual-stack socket without its "::ffff:" prefix.
std::string PeerText(const sockaddr_storage& peer) {
    char text[INET6_ADDRSTRLEN] = "";
    if (peer.ss_family == AF_INET) {
        (void)inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(peer).sin_addr, text, sizeof text);
        return text;
    }
    const in6_addr& address = reinterpret_cast<const sockaddr_in6&>(peer).sin6_addr;
    if (IN6_IS_ADDR_V4MAPPED(&address)) {
        (void)inet_ntop(AF_INET, &address.s6_addr[12], text, sizeof text);
    } else {
        (void)inet_ntop(AF_INET6, &address, text, sizeof text);
    }
    return text;
}

// address:port as the system takes it; false when address is neither IPv4 nor IPv6 text.
bool SocketAddressOf(const std::string& address, int port, sockaddr_storage& where, socklen_t& size) {
    auto& v4 = reinterpret_cast<sockaddr_in&>(where);
    auto& v6 = reinterpret_cast<sockaddr_in6&>(where);
    if (inet_pton(AF_INET, address.c_str(), &v4.sin_addr) == 1) {
        v4.sin_family = AF_INET;
        v4.sin_port = htons(static_cast<std::uint16_t>(port));
        size = sizeof v4;
        return true;
    }
    if (inet_pton(AF_INET6, address.c_str(), &v6.sin6_addr) == 1) {
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(static_cast<std::uint16_t>(port));
        size = sizeof v6;
        return true;
    }
    return false;
}

} // namespace

CTcpListener::~CTcpListener() {
    Close();
}

std::optional<std::string> CTcpListener::Listen(const std::string& address, int port, int queue) {
    sockaddr_storage where{};
    socklen_t size = 0;
    if (!SocketAddressOf(address, port, where, size)) {
        return "not an IPv4 or IPv6 address";
    }
    const int fd = socket(where.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return std::string(std::strerror(errno));
    }
    m_socket = fd;
    const int on = 1;
    const int off = 0;
    // Only a socket left from an earlier run may be waited out; a listening one keeps the port (no
    // SO_REUSEPORT, which would let two programs share the connections). "::" serves IPv4 as well, whatever
    // the system's default.
    const bool ready =
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0 &&
        (where.ss_family != AF_INET6 || setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off) == 0) &&
        bind(fd, reinterpret_cast<const sockaddr*>(&where), size) == 0 && listen(fd, queue) == 0;
    if (!ready) {
        const int error = errno;
        Close();
        return error == EADDRINUSE ? std::string("in use") : std::string(std::strerror(error));
    }
    return std::nullopt;
}

std::unique_ptr<CTcpStream> CTcpListener::Accept(std::string& failure) {
    failure.clear();
    sockaddr_storage peer{};
    socklen_t size = sizeof peer;
    const int fd = accept4(static_cast<int>(m_socket), reinterpret_cast<sockaddr*>(&peer), &size,
                           SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd >= 0) {
        // An answer goes out in a few large writes, the last often small (a gzip trailer, the end of a TLS
        // record): held back for the client's delayed acknowledgement, it would wait 40 ms.
        const int on = 1;
        (void)setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        return std::make_unique<CTcpStream>(fd, PeerText(peer));
    }
    // A connection that left before it was taken, or a signal, is no failure of the listener.
    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != ECONNABORTED && errno != EINTR &&
        errno != EPROTO) {
        failure = std::strerror(errno);
    }
    return nullptr;
}

void CTcpListener::Close() {
    if (m_socket != kNoSignal) {
        (void)close(static_cast<int>(m_socket)); // nothing is lost: no connection is taken any more
        m_socket = kNoSignal;
    }
}
