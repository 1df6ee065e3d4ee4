#include "LoopbackClient.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

} // namespace

CLoopbackClient::~CLoopbackClient() {
    if (m_fd >= 0) {
        close(m_fd);
    }
}

bool CLoopbackClient::Connect(const std::string& address, unsigned short port, int timeoutMs) {
    if (m_fd >= 0) {
        close(m_fd);
    }
    m_fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(port);
    if (m_fd < 0 || inet_pton(AF_INET, address.c_str(), &remote.sin_addr) != 1) {
        return false;
    }
    if (connect(m_fd, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) != 0 &&
        errno != EINPROGRESS) {
        return false;
    }
    pollfd fd{m_fd, POLLOUT, 0};
    int error = -1;
    socklen_t length = sizeof error;
    return poll(&fd, 1, timeoutMs) == 1 && getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 &&
           error == 0;
}

bool CLoopbackClient::ConnectWithin(const std::string& address, unsigned short port, int timeoutMs) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (RemainingMs(deadline) > 0) {
        CLoopbackClient attempt;
        if (attempt.Connect(address, port, 500)) {
            return Connect(address, port, 500);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

bool CLoopbackClient::Send(const std::string& text) {
    return send(m_fd, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size());
}

bool CLoopbackClient::ReadSome(std::string& text, int timeoutMs) {
    pollfd fd{m_fd, POLLIN, 0};
    if (poll(&fd, 1, timeoutMs) != 1) {
        return true; // nothing yet
    }
    char buffer[4096];
    const ssize_t count = recv(m_fd, buffer, sizeof buffer, 0);
    if (count <= 0) {
        return false;
    }
    text.append(buffer, static_cast<std::size_t>(count));
    return true;
}

std::string CLoopbackClient::ReadUntil(const std::string& tail, int timeoutMs) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string text;
    while (!text.ends_with(tail) && RemainingMs(deadline) > 0 && ReadSome(text, RemainingMs(deadline))) {
    }
    return text;
}

std::string CLoopbackClient::ReadChunk(int timeoutMs) {
    std::string text;
    // A peer that closed simply leaves text empty.
    (void)ReadSome(text, timeoutMs);
    return text;
}

bool CLoopbackClient::ReadUntilClosed(std::string& text, int timeoutMs) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (RemainingMs(deadline) > 0) {
        if (!ReadSome(text, RemainingMs(deadline))) {
            return true;
        }
    }
    return false;
}
