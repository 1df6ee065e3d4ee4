#include "tests/support/LoopbackPeer.h"

#include <winsock2.h>

namespace {

sockaddr_in LoopbackAddress(const std::string& address, unsigned short port) {
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_port = htons(port);
    result.sin_addr.s_addr = inet_addr(address.c_str());
    return result;
}

SOCKET SocketOf(PeerSocket peer) {
    return static_cast<SOCKET>(peer);
}

PeerSocket PeerOf(SOCKET socket) {
    return socket == INVALID_SOCKET ? kNoPeer : static_cast<PeerSocket>(socket);
}

// Waits for readability (or, with forWriting, writability) through select, which needs no event
// object of the kind the client under test uses.
bool WaitFor(PeerSocket peer, bool forWriting, int timeoutMs) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(SocketOf(peer), &set);
    timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    return select(0, forWriting ? nullptr : &set, forWriting ? &set : nullptr, nullptr, &limit) == 1;
}

} // namespace

CLoopbackListener::CLoopbackListener(const char* address, unsigned short port, int backlog)
    : m_address(address), m_port(port) {
    const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    const BOOL on = TRUE;
    const sockaddr_in local = LoopbackAddress(m_address, m_port);
    if (listener == INVALID_SOCKET ||
        setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof on) != 0 ||
        bind(listener, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        listen(listener, backlog) != 0) {
        CloseFd(PeerOf(listener));
        return;
    }
    m_socket = PeerOf(listener);
}

CLoopbackListener::~CLoopbackListener() {
    CloseFd(m_filler);
    CloseFd(m_socket);
}

PeerSocket CLoopbackListener::Accept(int timeoutMs) const {
    if (!WaitFor(m_socket, false, timeoutMs)) {
        return kNoPeer;
    }
    return PeerOf(accept(SocketOf(m_socket), nullptr, nullptr));
}

bool CLoopbackListener::FillAcceptQueue() {
    const SOCKET filler = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    m_filler = PeerOf(filler);
    u_long nonBlocking = 1;
    if (filler == INVALID_SOCKET || ioctlsocket(filler, FIONBIO, &nonBlocking) != 0) {
        return false;
    }
    const sockaddr_in remote = LoopbackAddress(m_address, m_port);
    (void)connect(filler, reinterpret_cast<const sockaddr*>(&remote), sizeof remote); // Under way.
    return WaitFor(m_filler, true, 2000);
}

bool SendAll(PeerSocket peer, const std::string& text) {
    return send(SocketOf(peer), text.data(), static_cast<int>(text.size()), 0) ==
           static_cast<int>(text.size());
}

std::string ReceiveSome(PeerSocket peer, int timeoutMs) {
    char buffer[4096];
    if (!WaitFor(peer, false, timeoutMs)) {
        return {};
    }
    const int received = recv(SocketOf(peer), buffer, sizeof buffer, 0);
    return received > 0 ? std::string(buffer, static_cast<std::size_t>(received)) : std::string();
}

void CloseWithReset(PeerSocket peer) {
    const linger abort{1, 0};
    // closesocket still ends the connection if this fails.
    (void)setsockopt(SocketOf(peer), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort),
                     sizeof abort);
    CloseFd(peer);
}

void CloseFd(PeerSocket peer) {
    if (peer != kNoPeer) {
        (void)closesocket(SocketOf(peer));
    }
}
