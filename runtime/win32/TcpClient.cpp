#include "ConnectDeadline.h"
#include "SignalNative.h"

#include "runtime/TcpClient.h"

#include <winsock2.h>

#include <cstring>

static_assert(kSockStream == SOCK_STREAM && kIpProtoTcp == IPPROTO_TCP && kAfInet == AF_INET,
              "Create passes the system's own socket constants straight to socket()");
static_assert(kErrorWouldBlock == WSAEWOULDBLOCK && kErrorConnectionReset == WSAECONNRESET &&
                  kSocketError == SOCKET_ERROR,
              "results and errors pass through unchanged");

struct CTcpClient::Native {
    SOCKET socket = INVALID_SOCKET;
    CConnectDeadline connectDeadline;
    // The error that ended the last connect, once ConnectResult has read it; 0 while none is known.
    int connectFailure = 0;
};

namespace {

// Keeps the calling thread's socket error across clean-up calls that may overwrite it.
class CErrorKeeper {
public:
    CErrorKeeper() : m_error(WSAGetLastError()) {}
    ~CErrorKeeper() { WSASetLastError(m_error); }
    CErrorKeeper(const CErrorKeeper&) = delete;
    CErrorKeeper& operator=(const CErrorKeeper&) = delete;

private:
    const int m_error;
};

// The error Windows Sockets gives a call on something that is not a socket.
void RememberNoSocket() {
    WSASetLastError(WSAENOTSOCK);
}

long PlatformEvents(unsigned events) {
    struct Translation {
        unsigned event;
        long platform;
    };
    static constexpr Translation kTable[] = {
        {EventRead, FD_READ},   {EventWrite, FD_WRITE},     {EventAccept, FD_ACCEPT},
        {EventClose, FD_CLOSE}, {EventConnect, FD_CONNECT},
    };
    long mask = 0;
    for (const Translation& entry : kTable) {
        if ((events & entry.event) != 0) {
            mask |= entry.platform;
        }
    }
    return mask;
}

// Why a connect that select does not report as writable has not been established: the socket's own
// pending error, or "not yet".
void RememberWhyNotWritable(SOCKET socket) {
    int pending = 0;
    int length = sizeof pending;
    if (getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&pending), &length) != 0) {
        return; // getsockopt set the error itself
    }
    WSASetLastError(pending != 0 ? pending : WSAEWOULDBLOCK);
}

// Whether the socket is writable now, without waiting; when not, the error says why.
bool IsWritableNow(SOCKET socket) {
    fd_set writable;
    FD_ZERO(&writable);
    FD_SET(socket, &writable);
    timeval now{0, 0};
    const int ready = select(0, nullptr, &writable, nullptr, &now);
    if (ready == 0) {
        RememberWhyNotWritable(socket);
    }
    return ready == 1;
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
    m_native->socket = socket(family, type, protocol);
    return m_native->socket != INVALID_SOCKET;
}

bool CTcpClient::SetBlocking(bool blocking) {
    if (!IsOpen()) {
        RememberNoSocket();
        return false;
    }
    u_long mode = blocking ? 0 : 1;
    return ioctlsocket(m_native->socket, FIONBIO, &mode) == 0;
}

bool CTcpClient::SetReuseAddress(bool on) {
    if (!IsOpen()) {
        RememberNoSocket();
        return false;
    }
    const int value = on ? 1 : 0;
    return setsockopt(m_native->socket, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&value),
                      sizeof value) == 0;
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
    remote.sin_family = static_cast<ADDRESS_FAMILY>(m_family);
    remote.sin_port = htons(port);
    remote.sin_addr.s_addr = htonl(static_cast<u_long>(address));
    m_remote.family = static_cast<std::uint16_t>(m_family);
    std::memcpy(m_remote.port, &remote.sin_port, sizeof m_remote.port);
    std::memcpy(m_remote.address, &remote.sin_addr.s_addr, sizeof m_remote.address);

    m_native->connectDeadline.Start(m_connectTimeoutMs);
    m_native->connectFailure = 0;
    const int result = connect(m_native->socket, reinterpret_cast<const sockaddr*>(&remote), sizeof remote);
    if (result == 0 || WSAGetLastError() != WSAEWOULDBLOCK) {
        const CErrorKeeper keep;
        m_native->connectDeadline.Clear();
    }
    return result;
}

int CTcpClient::Send(const char* data, int length, int flags) {
    return send(m_native->socket, data, length, flags);
}

int CTcpClient::Receive(char* buffer, int size, int flags) {
    return recv(m_native->socket, buffer, size, flags);
}

int CTcpClient::EventSelect(unsigned events, const CSignal& signal) {
    m_native->connectDeadline.Disarm();
    const HANDLE event = signal.GetNative().event;
    const long mask = PlatformEvents(events);
    if (event == nullptr && mask != 0) {
        // A signal that was never created can carry no event; asking for one must fail, not hang.
        WSASetLastError(WSA_INVALID_HANDLE);
        return kSocketError;
    }
    if (WSAEventSelect(m_native->socket, event, mask) != 0) {
        return kSocketError;
    }
    // Windows itself gives up on an unanswered connect after about 21 s; the limit set here must hold
    // wherever the sockets come from (under Wine, Linux keeps trying for two minutes).
    if ((events & EventConnect) != 0 && m_native->connectDeadline.IsRunning() &&
        !m_native->connectDeadline.Arm(event)) {
        WSASetLastError(static_cast<int>(GetLastError()));
        return kSocketError;
    }
    return 0;
}

bool CTcpClient::IsConnectEstablished() const {
    if (!IsOpen()) {
        RememberNoSocket();
        return false;
    }
    if (m_native->connectDeadline.HasPassed()) {
        WSASetLastError(WSAETIMEDOUT);
        return false;
    }
    if (!IsWritableNow(m_native->socket)) {
        return false;
    }
    // The connect is over: its limit must not turn a later probe of this connection into a failure.
    m_native->connectDeadline.Clear();
    return true;
}

int CTcpClient::Close() {
    if (!IsOpen()) {
        return -1;
    }
    m_native->connectDeadline.Clear();
    m_native->connectFailure = 0;
    const int result = closesocket(m_native->socket);
    // The socket is released even when closesocket reports an error; it must not be closed twice.
    m_native->socket = INVALID_SOCKET;
    return result;
}

bool CTcpClient::IsOpen() const {
    return m_native->socket != INVALID_SOCKET;
}

WaitHandle CTcpClient::SocketHandle() const {
    return IsOpen() ? static_cast<WaitHandle>(m_native->socket) : kNoSignal;
}

int CTcpClient::ConnectResult() const {
    if (!IsOpen()) {
        return WSAENOTSOCK;
    }
    // SO_ERROR is cleared by reading it, so a failure is kept for whoever asks again.
    if (m_native->connectFailure != 0) {
        return m_native->connectFailure;
    }
    int pending = 0;
    int length = sizeof pending;
    if (getsockopt(m_native->socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&pending), &length) != 0) {
        return WSAGetLastError();
    }
    if (pending != 0) {
        m_native->connectFailure = pending;
        m_native->connectDeadline.Clear();
        return pending;
    }
    if (!IsWritableNow(m_native->socket)) {
        return WSAEWOULDBLOCK;
    }
    // The connect is over: its limit must not turn a later probe of this connection into a failure.
    m_native->connectDeadline.Clear();
    return 0;
}

int CTcpClient::LastError() {
    return WSAGetLastError();
}
