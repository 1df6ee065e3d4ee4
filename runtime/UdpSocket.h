#pragma once

#include "WaitTypes.h"

#include <cstddef>
#include <cstdint>
#include <memory>

// One non-blocking IPv4 datagram socket that talks to many peers: a fleet's NTP checks share one. Used by
// one thread.
class CUdpSocket {
public:
    CUdpSocket();
    virtual ~CUdpSocket();
    CUdpSocket(const CUdpSocket&) = delete;
    CUdpSocket& operator=(const CUdpSocket&) = delete;

    // What ReceiveFrom found.
    enum class Arrival {
        None,     // nothing waits
        Datagram, // a datagram from the peer, cut at the buffer's size
        // The peer's port answered that nothing listens there, where the platform tells who (Linux;
        // elsewhere a refusal is never reported): the buffer holds the start of the refused datagram.
        Unreachable,
        Failed, // the socket reports an error that names no peer
    };
    struct Received {
        Arrival arrival = Arrival::None;
        std::size_t length = 0;
        std::uint32_t peerAddress = 0; // host byte order
        unsigned short peerPort = 0;
        // When the datagram reached this PC on the clock of RealTimeMicros: the kernel's stamp where the
        // platform keeps one (arrivalStamped), else the time it was taken here, which may be much later.
        std::int64_t arrivalUnixMicros = 0;
        bool arrivalStamped = false;
    };

    // Opens the socket on an ephemeral port of every local address, closing an earlier one; false on failure.
    // One refused peer never breaks the socket for the others.
    bool Open();
    // Sends one datagram to address (host byte order) and port; true when the whole of it was accepted.
    bool SendTo(std::uint32_t address, unsigned short port, const std::uint8_t* data, std::size_t length);
    // Takes one waiting datagram or error report into buffer.
    Received ReceiveFrom(std::uint8_t* buffer, std::size_t size);
    // The room the system keeps for datagrams waiting to be read, in its own accounting (a datagram's
    // overhead included); 0 when no socket is open or the system does not say.
    std::size_t ReceiveBufferBytes() const;
    // The socket as CEventLoop watches it; kNoSignal when none is open.
    WaitHandle SocketHandle() const;
    void Close();

    // Backend state; only the platform layer looks inside.
    struct Native;

private:
    std::unique_ptr<Native> m_native;
};
