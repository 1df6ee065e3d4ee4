#include "DatagramSocket.h"
#include "SignalNative.h"

#include "runtime/RealTimeClock.h"
#include "runtime/UdpClient.h"

#include <winsock2.h>

#include <climits>

struct CUdpClient::Native {
    SOCKET socket = INVALID_SOCKET;
};

namespace {

// Whether the socket holds an error that recv has not reported. Windows hands a closed peer port to recv;
// Wine keeps it here and tells neither recv nor the socket's event.
bool HasPendingError(SOCKET socket) {
    int pending = 0;
    int length = sizeof pending;
    return getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&pending), &length) != 0 ||
           pending != 0;
}

} // namespace

CUdpClient::CUdpClient() : m_native(std::make_unique<Native>()) {}

CUdpClient::~CUdpClient() {
    Close();
}

bool CUdpClient::Open(std::uint32_t address, unsigned short port) {
    Close();
    m_native->socket = OpenDatagramSocket();
    if (m_native->socket == INVALID_SOCKET) {
        return false;
    }
    const sockaddr_in peer = Ipv4SocketAddress(address, port);
    // A connected datagram socket drops what other senders send, and learns of a closed peer port.
    if (connect(m_native->socket, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
        Close();
        return false;
    }
    return true;
}

bool CUdpClient::Send(const std::uint8_t* data, std::size_t length) {
    if (m_native->socket == INVALID_SOCKET || length > static_cast<std::size_t>(INT_MAX)) {
        return false;
    }
    const int sent = send(m_native->socket, reinterpret_cast<const char*>(data), static_cast<int>(length), 0);
    return sent != SOCKET_ERROR && static_cast<std::size_t>(sent) == length;
}

int CUdpClient::Receive(std::uint8_t* buffer, std::size_t size, std::int64_t& arrivalUnixMicros) {
    if (m_native->socket == INVALID_SOCKET) {
        return -1;
    }
    std::size_t length = 0;
    const DatagramRead read = ReceiveDatagram(m_native->socket, buffer, size, nullptr, length);
    // Windows stamps arrivals (SIO_TIMESTAMPING) only from build 20348, at a network adapter's driver and
    // once timestamping is configured for the whole system; Wine not at all. The time of the read stands
    // in, taken right after it.
    arrivalUnixMicros = RealTimeMicros();
    switch (read) {
    case DatagramRead::Taken:
        return static_cast<int>(length);
    case DatagramRead::None:
        return HasPendingError(m_native->socket) ? -1 : kNoDatagram;
    case DatagramRead::Refused:
    case DatagramRead::Failed:
        break;
    }
    return -1;
}

bool CUdpClient::WatchReadable(const CSignal& signal) {
    const HANDLE event = signal.GetNative().event;
    // A signal that was never created can carry no event; a watch on it would never fire.
    if (m_native->socket == INVALID_SOCKET || event == nullptr) {
        return false;
    }
    // FD_READ also reports the error of a closed peer port, which recv then returns.
    return WSAEventSelect(m_native->socket, event, FD_READ) == 0;
}

void CUdpClient::Close() {
    if (m_native->socket == INVALID_SOCKET) {
        return;
    }
    (void)closesocket(m_native->socket); // Nothing to recover: the socket is released either way.
    m_native->socket = INVALID_SOCKET;
}
