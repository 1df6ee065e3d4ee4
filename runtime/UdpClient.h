#pragma once

#include "Signal.h"

#include <cstddef>
#include <cstdint>
#include <memory>

// What Receive returns when no datagram waits.
inline constexpr int kNoDatagram = -2;

// One non-blocking IPv4 datagram socket tied to a single peer: datagrams go only to it, and only its
// datagrams are received. Used by one thread.
class CUdpClient {
public:
    CUdpClient();
    virtual ~CUdpClient();
    CUdpClient(const CUdpClient&) = delete;
    CUdpClient& operator=(const CUdpClient&) = delete;

    // Opens the socket for the peer at address (host byte order) and port, closing any earlier one;
    // false on failure.
    bool Open(std::uint32_t address, unsigned short port);
    // Sends one datagram; true when the whole of it was accepted.
    bool Send(const std::uint8_t* data, std::size_t length);
    // Takes one waiting datagram into buffer (cut at size): its length; kNoDatagram when none waits;
    // -1 when the socket reports an error, such as a peer port where nothing listens. For a datagram taken,
    // arrivalUnixMicros is when it reached this PC on the clock of RealTimeMicros: the kernel's stamp
    // where the platform keeps one, else the time it was taken here.
    int Receive(std::uint8_t* buffer, std::size_t size, std::int64_t& arrivalUnixMicros);
    // Makes signal count as set while a datagram or an error waits; false without a socket.
    bool WatchReadable(const CSignal& signal);
    // Closes the socket, if one is open.
    void Close();

    // Backend state; only the platform layer looks inside.
    struct Native;

private:
    std::unique_ptr<Native> m_native;
};
