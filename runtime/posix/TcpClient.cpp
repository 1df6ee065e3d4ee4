#include "SignalNative.h"
#include "SocketWatch.h"

#include "runtime/TcpClient.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

static_assert(kSockStream == SOCK_STREAM && kIpProtoTcp == IPPROTO_TCP && kAfInet == AF_INET,
              "Create passes the system's own socket constants straight to socket()");

#ifndef POLLRDHUP
#define POLLRDHUP 0 // Without it, a peer's close still shows as readable end of file.
#endif

struct CTcpClient::Native {
    int m_fd = -1;
    // The watch of the last EventSelect; cancelled before the descriptor goes.
    std::shared_ptr<CSocketWatch> m_watch;
    // When the connect under way counts as failed; empty when none is under way.
    std::optional<WaitClock::time_point> m_connectDeadline;
    // The error that ended the last connect, once ConnectResult has read it; 0 while none is known.
    int m_connectFailure = 0;

    void CancelWatch() {
        if (m_watch) {
            m_watch->Cancel();
            m_watch.reset();
        }
    }
};

namespace {

thread_local int t_lastError = 0;

// Records errno as the calling thread's socket error, in the system's own codes for "not yet" and a reset.
void RememberErrno() {
    const int error = errno;
    const bool notYet = error == EAGAIN || error == EWOULDBLOCK || error == EINPROGRESS;
    t_lastError = notYet ? kErrorWouldBlock : error == ECONNRESET ? kErrorConnectionReset : error;
}

// Records the error the platform gives a call on a socket that is not open.
void RememberNoSocket() {
    t_lastError = EBADF;
}

short PollEventsFor(unsigned events) {
    short pollEvents = 0;
    if ((events & (EventRead | EventAccept)) != 0) {
        pollEvents |= POLLIN;
    }
    if ((events & (EventWrite | EventConnect)) != 0) {
        pollEvents |= POLLOUT;
    }
    if ((events & EventClose) != 0) {
        pollEvents |= POLLIN | POLLRDHUP;
    }
    return pollEvents;
}

// Whether the descriptor is writable now, without waiting.
bool IsWritableNow(int fd) {
    pollfd probe{fd, POLLOUT, 0};
    const int ready = poll(&probe, 1, 0);
    if (ready < 0) {
        RememberErrno();
        return false;
    }
    if (ready == 0 || (probe.revents & POLLOUT) == 0) {
        t_lastError = kErrorWouldBlock;
        return false;
    }
    return true;
}

// Whether the socket reports no pending error; reading it clears it, as SO_ERROR always does.
bool HasNoPendingError(int fd) {
    int pending = 0;
    socklen_t length = sizeof pending;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &pending, &length) != 0) {
        RememberErrno();
        return false;
    }
    if (pending != 0) {
        t_lastError = pending;
        return false;
    }
    return true;
}

} // namespace

CTcpClient::CTcpClient() : m_native(std::make_unique<Native>()) {}

CTcpClient::~CTcpClient() {
    (void)Close();
}

bool CTcpClient::Create(int type, int protocol, int family) {
    // Callers close first; a second Create must not leak the socket that is still open.
    (void)Close();
    m_family = family;
    m_native->m_fd = socket(family, type, protocol);
    if (m_native->m_fd < 0) {
        RememberErrno();
        return false;
    }
    return true;
}

bool CTcpClient::SetBlocking(bool blocking) {
    if (!IsOpen()) {
        RememberNoSocket();
        return false;
    }
    const int flags = fcntl(m_native->m_fd, F_GETFL);
    const int wanted = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
    if (flags < 0 || fcntl(m_native->m_fd, F_SETFL, wanted) != 0) {
        RememberErrno();
        return false;
    }
    return true;
}

bool CTcpClient::SetReuseAddress(bool on) {
    if (!IsOpen()) {
        RememberNoSocket();
        return false;
    }
    const int value = on ? 1 : 0;
    if (setsockopt(m_native->m_fd, SOL_SOCKET, SO_REUSEADDR, &value, sizeof value) != 0) {
        RememberErrno();
        return false;
    }
    return true;
}

int CTcpClient::Connect(const std::string& address, unsigned short port) {
    return ConnectAddress(ntohl(inet_addr(address.c_str())), port);
}

int CTcpClient::ConnectAddress(unsigned long address, unsigned short port) {
    if (!IsOpen()) {
        RememberNoSocket();
        return kSocketError;
    }
    sockaddr_in remote{};
    remote.sin_family = static_cast<sa_family_t>(m_family);
    remote.sin_port = htons(port);
    remote.sin_addr.s_addr = htonl(static_cast<std::uint32_t>(address));
    m_remote.family = static_cast<std::uint16_t>(m_family);
    std::memcpy(m_remote.port, &remote.sin_port, sizeof m_remote.port);
    std::memcpy(m_remote.address, &remote.sin_addr.s_addr, sizeof m_remote.address);

    m_native->m_connectDeadline = WaitClock::now() + std::chrono::milliseconds(m_connectTimeoutMs);
    m_native->m_connectFailure = 0;
    const int result = connect(m_native->m_fd, reinterpret_cast<const sockaddr*>(&remote), sizeof remote);
    if (result != 0) {
        RememberErrno();
    }
    if (result == 0 || t_lastError != kErrorWouldBlock) {
        m_native->m_connectDeadline.reset();
    }
    return result;
}

int CTcpClient::Send(const char* data, int length, int flags) {
    if (length < 0) {
        t_lastError = EINVAL;
        return kSocketError;
    }
    // A peer that has gone must fail the call, never raise SIGPIPE in the whole program.
    const ssize_t sent = send(m_native->m_fd, data, static_cast<size_t>(length), flags | MSG_NOSIGNAL);
    if (sent < 0) {
        RememberErrno();
        return kSocketError;
    }
    return static_cast<int>(sent);
}

int CTcpClient::Receive(char* buffer, int size, int flags) {
    if (size < 0) {
        t_lastError = EINVAL;
        return kSocketError;
    }
    const ssize_t received = recv(m_native->m_fd, buffer, static_cast<size_t>(size), flags);
    if (received < 0) {
        RememberErrno();
        return kSocketError;
    }
    return static_cast<int>(received);
}

int CTcpClient::EventSelect(unsigned events, const CSignal& signal) {
    if (!IsOpen()) {
        RememberNoSocket();
        return kSocketError;
    }
    m_native->CancelWatch();
    const short pollEvents = PollEventsFor(events);
    if (pollEvents == 0) {
        return 0;
    }
    std::optional<WaitClock::time_point> deadline;
    if ((events & EventConnect) != 0) {
        deadline = m_native->m_connectDeadline;
    }
    m_native->m_watch = std::make_shared<CSocketWatch>(m_native->m_fd, pollEvents, deadline);
    signal.GetNative().AttachWatch(m_native->m_watch);
    return 0;
}

bool CTcpClient::IsConnectEstablished() const {
    if (!IsOpen()) {
        RememberNoSocket();
        return false;
    }
    const auto& deadline = m_native->m_connectDeadline;
    if (deadline && WaitClock::now() >= *deadline) {
        t_lastError = ETIMEDOUT;
        return false;
    }
    if (!IsWritableNow(m_native->m_fd) || !HasNoPendingError(m_native->m_fd)) {
        return false;
    }
    // The connect is over: its deadline must not turn a later probe of this connection into a failure.
    m_native->m_connectDeadline.reset();
    return true;
}

int CTcpClient::Close() {
    if (!IsOpen()) {
        return -1;
    }
    m_native->CancelWatch();
    m_native->m_connectDeadline.reset();
    m_native->m_connectFailure = 0;
    const int result = close(m_native->m_fd);
    if (result != 0) {
        RememberErrno();
    }
    // The descriptor is released even when close reports an error; it must not be closed twice.
    m_native->m_fd = -1;
    return result;
}

bool CTcpClient::IsOpen() const {
    return m_native->m_fd >= 0;
}

WaitHandle CTcpClient::SocketHandle() const {
    return IsOpen() ? m_native->m_fd : kNoSignal;
}

int CTcpClient::ConnectResult() const {
    if (!IsOpen()) {
        return EBADF;
    }
    // SO_ERROR is cleared by reading it, so a failure is kept for whoever asks again.
    if (m_native->m_connectFailure != 0) {
        return m_native->m_connectFailure;
    }
    if (!HasNoPendingError(m_native->m_fd) || !IsWritableNow(m_native->m_fd)) {
        m_native->m_connectFailure = t_lastError == kErrorWouldBlock ? 0 : t_lastError;
        return t_lastError;
    }
    // The connect is over: its deadline must not turn a later probe of this connection into a failure.
    m_native->m_connectDeadline.reset();
    return 0;
}

int CTcpClient::LastError() {
    return t_lastError;
}
