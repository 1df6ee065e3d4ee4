#include "runtime/TcpStream.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

// More parts than this go in the next call.
constexpr std::size_t kMostParts = 16;

long Failure() {
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? kStreamAgain : kStreamFailed;
}

} // namespace

CTcpStream::CTcpStream(WaitHandle socket, std::string peer) : m_socket(socket), m_peer(std::move(peer)) {}

CTcpStream::~CTcpStream() {
    (void)close(static_cast<int>(m_socket)); // nothing is left to say to the peer
}

long CTcpStream::Receive(char* buffer, std::size_t size) {
    const ssize_t received = recv(static_cast<int>(m_socket), buffer, size, 0);
    return received >= 0 ? static_cast<long>(received) : Failure();
}

long CTcpStream::Send(const std::string_view* parts, std::size_t count) {
    std::array<iovec, kMostParts> vectors{};
    const std::size_t used = std::min(count, kMostParts);
    for (std::size_t index = 0; index < used; ++index) {
        vectors[index] = {const_cast<char*>(parts[index].data()), parts[index].size()};
    }
    msghdr message{};
    message.msg_iov = vectors.data();
    message.msg_iovlen = used;
    // A peer gone raises no SIGPIPE: the send fails instead.
    const ssize_t sent = sendmsg(static_cast<int>(m_socket), &message, MSG_NOSIGNAL);
    return sent >= 0 ? static_cast<long>(sent) : Failure();
}

void CTcpStream::ShutdownSend() {
    (void)shutdown(static_cast<int>(m_socket), SHUT_WR); // a peer gone already is no matter
}
