#include "tests/support/LoopbackPeer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

sockaddr_in LoopbackAddress(const std::string& address, unsigned short port) {
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_port = htons(port);
    result.sin_addr.s_addr = inet_addr(address.c_str());
    return result;
}

bool WaitFor(PeerSocket peer, short events, int timeoutMs) {
    pollfd entry{static_cast<int>(peer), events, 0};
    return poll(&entry, 1, timeoutMs) == 1 && (entry.revents & events) != 0;
}

} // namespace

CLoopbackListener::CLoopbackListener(const char* address, unsigned short port, int backlog)
    : m_address(address), m_port(port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    const sockaddr_in local = LoopbackAddress(m_address, m_port);
    if (fd < 0 || setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 || listen(fd, backlog) != 0) {
        CloseFd(fd);
        return;
    }
    m_socket = fd;
}

CLoopbackListener::~CLoopbackListener() {
    CloseFd(m_filler);
    CloseFd(m_socket);
}

PeerSocket CLoopbackListener::Accept(int timeoutMs) const {
    if (!WaitFor(m_socket, POLLIN, timeoutMs)) {
        return kNoPeer;
    }
    return accept(static_cast<int>(m_socket), nullptr, nullptr);
}

bool CLoopbackListener::FillAcceptQueue() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    m_filler = fd;
    if (fd < 0 || fcntl(fd, F_SETFL, O_NONBLOCK) != 0) {
        return false;
    }
    const sockaddr_in remote = LoopbackAddress(m_address, m_port);
    (void)connect(fd, reinterpret_cast<const sockaddr*>(&remote), sizeof remote); // Under way.
    return WaitFor(fd, POLLOUT, 2000);
}

bool SendAll(PeerSocket peer, const std::string& text) {
    return send(static_cast<int>(peer), text.data(), text.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(text.size());
}

std::string ReceiveSome(PeerSocket peer, int timeoutMs) {
    char buffer[4096];
    if (!WaitFor(peer, POLLIN, timeoutMs)) {
        return {};
    }
    const ssize_t received = recv(static_cast<int>(peer), buffer, sizeof buffer, 0);
    return received > 0 ? std::string(buffer, static_cast<std::size_t>(received)) : std::string();
}

void CloseWithReset(PeerSocket peer) {
    const linger abort{1, 0};
    // close() still ends the connection if this fails.
    (void)setsockopt(static_cast<int>(peer), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    CloseFd(peer);
}

void CloseFd(PeerSocket peer) {
    if (peer >= 0) {
        (void)close(static_cast<int>(peer));
    }
}
