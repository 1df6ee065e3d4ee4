#include "DatagramSocket.h"

#include "runtime/RealTimeClock.h"
#include "runtime/UdpSocket.h"

#include <winsock2.h>

#include <mswsock.h>

#include <climits>

namespace {

// The answers of a fleet's checks arrive in bursts: room for thousands (Windows keeps 64 KiB unless asked).
constexpr int kReceiveBufferBytes = 4 << 20;
// Refusals that slipped past SIO_UDP_CONNRESET, skipped in one call before it gives the loop its turn.
constexpr int kReadsPerCall = 4;

// Windows would fail every later read of the socket with WSAECONNRESET once any one peer's port has
// refused a datagram, without saying which peer: a refused peer is left to its time-out instead.
void IgnoreRefusals(SOCKET socket) {
    BOOL report = FALSE;
    DWORD returned = 0;
    // A refusal only costs one read of ReceiveFrom where this is not kept (Wine keeps none anyway).
    (void)WSAIoctl(socket, SIO_UDP_CONNRESET, &report, sizeof report, nullptr, 0, &returned, nullptr,
                   nullptr);
}

} // namespace

struct CUdpSocket::Native {
    SOCKET socket = INVALID_SOCKET;
};

CUdpSocket::CUdpSocket() : m_native(std::make_unique<Native>()) {}

CUdpSocket::~CUdpSocket() {
    Close();
}

bool CUdpSocket::Open() {
    Close();
    m_native->socket = OpenDatagramSocket();
    if (m_native->socket == INVALID_SOCKET) {
        return false;
    }
    IgnoreRefusals(m_native->socket);
    // A refusal leaves the default, with more answers lost to a burst.
    (void)setsockopt(m_native->socket, SOL_SOCKET, SO_RCVBUF,
                     reinterpret_cast<const char*>(&kReceiveBufferBytes), sizeof kReceiveBufferBytes);
    const sockaddr_in local = Ipv4SocketAddress(INADDR_ANY, 0); // the system picks the port
    if (bind(m_native->socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        Close();
        return false;
    }
    return true;
}

bool CUdpSocket::SendTo(std::uint32_t address, unsigned short port, const std::uint8_t* data,
                        std::size_t length) {
    if (m_native->socket == INVALID_SOCKET || length > static_cast<std::size_t>(INT_MAX)) {
        return false;
    }
    const sockaddr_in peer = Ipv4SocketAddress(address, port);
    const int sent = sendto(m_native->socket, reinterpret_cast<const char*>(data), static_cast<int>(length),
                            0, reinterpret_cast<const sockaddr*>(&peer), sizeof peer);
    return sent != SOCKET_ERROR && static_cast<std::size_t>(sent) == length;
}

CUdpSocket::Received CUdpSocket::ReceiveFrom(std::uint8_t* buffer, std::size_t size) {
    if (m_native->socket == INVALID_SOCKET) {
        return {.arrival = Arrival::Failed};
    }
    for (int read = 0; read < kReadsPerCall; ++read) {
        sockaddr_in sender{};
        std::size_t length = 0;
        const DatagramRead result = ReceiveDatagram(m_native->socket, buffer, size, &sender, length);
        switch (result) {
        case DatagramRead::Taken:
            // Windows keeps no arrival stamp this program could read (see UdpClient.cpp): the read's time.
            return {.arrival = Arrival::Datagram,
                    .length = length,
                    .peerAddress = ntohl(sender.sin_addr.s_addr),
                    .peerPort = ntohs(sender.sin_port),
                    .arrivalUnixMicros = RealTimeMicros()};
        case DatagramRead::None:
            return {};
        case DatagramRead::Refused:
            continue; // names no peer: that peer's check ends in its time-out
        case DatagramRead::Failed:
            return {.arrival = Arrival::Failed};
        }
    }
    return {};
}

std::size_t CUdpSocket::ReceiveBufferBytes() const {
    int bytes = 0;
    int length = sizeof bytes;
    if (m_native->socket == INVALID_SOCKET ||
        getsockopt(m_native->socket, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&bytes), &length) != 0 ||
        bytes < 0) {
        return 0;
    }
    return static_cast<std::size_t>(bytes);
}

WaitHandle CUdpSocket::SocketHandle() const {
    return m_native->socket == INVALID_SOCKET ? kNoSignal : static_cast<WaitHandle>(m_native->socket);
}

void CUdpSocket::Close() {
    if (m_native->socket == INVALID_SOCKET) {
        return;
    }
    (void)closesocket(m_native->socket); // Nothing to recover: the socket is released either way.
    m_native->socket = INVALID_SOCKET;
}
