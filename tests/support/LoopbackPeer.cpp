#include "LoopbackPeer.h"

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

bool WaitFor(int fd, short events, int timeoutMs) {
    pollfd entry{fd, events, 0};
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
    m_fd = fd;
}

CLoopbackListener::~CLoopbackListener() {
    CloseFd(m_fillerFd);
    CloseFd(m_fd);
}

int CLoopbackListener::Accept(int timeoutMs) const {
    if (!WaitFor(m_fd, POLLIN, timeoutMs)) {
        return -1;
    }
    return accept(m_fd, nullptr, nullptr);
}

bool CLoopbackListener::FillAcceptQueue() {
    m_fillerFd = socket(AF_INET, SOCK_STREAM, 0);
    if (m_fillerFd < 0 || fcntl(m_fillerFd, F_SETFL, O_NONBLOCK) != 0) {
        return false;
    }
    const sockaddr_in remote = LoopbackAddress(m_address, m_port);
    (void)connect(m_fillerFd, reinterpret_cast<const sockaddr*>(&remote), sizeof remote); // Under way.
    return WaitFor(m_fillerFd, POLLOUT, 2000);
}

bool SendAll(int fd, const std::string& text) {
    return send(fd, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size());
}

std::string ReceiveSome(int fd, int timeoutMs) {
    char buffer[4096];
    if (!WaitFor(fd, POLLIN, timeoutMs)) {
        return {};
    }
    const ssize_t received = recv(fd, buffer, sizeof buffer, 0);
    return received > 0 ? std::string(buffer, static_cast<std::size_t>(received)) : std::string();
}

void CloseWithReset(int fd) {
    const linger abort{1, 0};
    (void)setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort); // close() still ends it if this fails.
    CloseFd(fd);
}

void CloseFd(int fd) {
    if (fd >= 0) {
        (void)close(fd);
    }
}
